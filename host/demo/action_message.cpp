// The "Message" button: asks whether to close a table.
#include "host/demo/Demo.h"

#include <TouchDialogs/TouchDialogs.h>

using namespace TouchDialogs::message;

namespace {

QString answerName(int result)
{
    if (result == kExtraButtonResult)
        return QStringLiteral("extra button");
    for (int k = 0; k < kButtonKinds; ++k)
        if (ModalResults[k] == result && k != mbHelp)
            return ButtonNames[k];
    return QStringLiteral("closed");
}

const demo::Registrar registrar{demo::Action{
    QStringLiteral("Message"), [] {
        const int result = TouchMessageDlg(QStringLiteral("Fechar a mesa 12?\r\nO consumo será enviado ao caixa."),
                                           mtConfirmation, {mbYes, mbNo}, 0, 0, QStringLiteral("&Parcial"));
        return QStringLiteral("Message: modal result %1 (%2)").arg(result).arg(answerName(result));
    }}};

} // namespace
