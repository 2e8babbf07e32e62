// The bare Qt program the probe holds our dialogs against: a QMessageBox
// (process start to first paint), or with --label a QLabel whose text
// follows the typed keys (key to photon).
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>

namespace {

class Label : public QLabel {
protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        QString typed = text();
        if (event->key() == Qt::Key_Backspace)
            typed.chop(1);
        else
            typed += event->text();
        setText(typed);
    }
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (app.arguments().contains(QStringLiteral("--label"))) {
        Label label;
        label.resize(400, 100);
        label.show();
        return app.exec();
    }
    QMessageBox box(QMessageBox::Question, QStringLiteral("yardstick"), QStringLiteral("Fechar a mesa 12?"),
                    QMessageBox::Yes | QMessageBox::No);
    return box.exec();
}
