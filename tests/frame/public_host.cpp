// A host built as a host outside this tree is: only the library's include
// folder and Qt's on the include path, linked to the shared library. It runs
// the README's example (the box is closed without a button) and uses the
// dataset and the exceptions a host catches.
#include <TouchDialogs/TouchDialogs.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace {

int fail(const char *what)
{
    std::fprintf(stderr, "public_host: %s\n", what);
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    TouchDialogs::Application::setTitle("Caixa 1");
    Initialize();

    using namespace TouchDialogs;
    QTimer::singleShot(0, [] {
        if (QWidget *box = QApplication::activeModalWidget())
            box->close();
    });
    const int answer = message::TouchMessageDlg("Fechar a mesa 12?", message::mtConfirmation,
                                                {message::mbYes, message::mbNo}, 0, 0, "");
    if (answer != 2)
        return fail("the closed box did not answer 2");

    TClientDataSet products;
    products.FieldDefs().Add("NOME", ftString, 20);
    products.CreateDataSet();
    products.Append();
    products.FieldByName("NOME")->setValue(QStringLiteral("Café"));
    products.Post();
    try {
        products.FieldByName("PRECO");
        return fail("an unknown field raised nothing");
    } catch (const EDatabaseError &) {
    }
    if (products.RecordCount() != 1 || Application::Title() != QLatin1String("Caixa 1"))
        return fail("the dataset or the title is wrong");

    Finalize();
    return 0;
}
