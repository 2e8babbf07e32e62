// Asks before printing a table's bill. The box presses its default button
// (Yes) by itself after one second, so the till never waits for ever.
#include <TouchDialogs/TouchDialogs.h>

#include <QApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    TouchDialogs::Application::setTitle("Caixa 1");
    Initialize(); // once, after the QApplication exists

    using namespace TouchDialogs::message;
    const int answer = TouchMessageDlg("Imprimir a conta da mesa 12?", mtConfirmation, {mbYes, mbNo}, 0, 1, "");
    std::printf(answer == 6 ? "printing the bill\n" : "not printed\n");

    Finalize(); // once, before unloading
    return answer == 6 ? 0 : 1;
}
