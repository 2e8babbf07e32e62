// What the dialog benchmarks share: the library set up once, and the
// synthetic products of a size with the active ones as the host's filter.
#pragma once

#include "dialogs/colour/ColourUnit.h"
#include "dialogs/keyboard/KeyboardUnit.h"
#include "dialogs/list/ListUnit.h"
#include "dialogs/message/MessageUnit.h"
#include "dialogs/quantity/QuantityUnit.h"
#include "dialogs/search/SearchUnit.h"
#include "frame/Frame.h"
#include "platform/forms/Form.h"
#include "host/sample/SampleData.h"
#include "platform/db/ClientDataSet.h"

#include <QEvent>
#include <chrono>
#include <functional>
#include <map>
#include <memory>

namespace bench {

// The library, initialized once for the whole run.
inline void initialized()
{
    static const bool once = (Initialize(), true);
    (void)once;
}

inline TouchDialogs::TClientDataSet &activeProducts(int n)
{
    initialized();
    static std::map<int, std::unique_ptr<TouchDialogs::TClientDataSet>> cache;
    auto &ds = cache[n];
    if (!ds) {
        ds = TouchDialogs::sample::syntheticProducts(n);
        ds->setFilter(QStringLiteral("ATIVO = 'S'"));
        ds->setFiltered(true);
    }
    return *ds;
}

// Notes the first paint of a dialog window and closes the dialog then.
class FirstPaint : public QObject {
public:
    std::chrono::steady_clock::time_point painted;
    bool seen = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!seen && event->type() == QEvent::Paint) {
            auto *form = qobject_cast<TouchDialogs::TForm *>(watched);
            if (form && form->isWindow()) {
                seen = true;
                painted = std::chrono::steady_clock::now();
                QMetaObject::invokeMethod(form, [form] { form->Close(); }, Qt::QueuedConnection);
            }
        }
        return false;
    }
};

// The six dialogs, each called as a host does (the search and the list on
// 1 000 products).
inline constexpr int kDialogs = 6;
inline const std::pair<const char *, std::function<void()>> &dialog(int i)
{
    initialized();
    static const std::pair<const char *, std::function<void()>> dialogs[] = {
        {"message", [] { TouchDialogs::message::TouchMessageDlg(QStringLiteral("Fechar a mesa 12?"), TouchDialogs::message::mtConfirmation,
                                                  {TouchDialogs::message::mbYes, TouchDialogs::message::mbNo}, 0, 0, QString()); }},
        {"keyboard", [] { TouchDialogs::keyboard::TecladoAlfanumerico(QString(), QStringLiteral("Nome")); }},
        {"quantity", [] { TouchDialogs::quantity::InfoQuantidade(QStringLiteral("Quantidade"), 0, QString()); }},
        {"colour", [] { TouchDialogs::colour::EscolherCor(); }},
        {"search", [] { TouchDialogs::search::Pesquisa(&activeProducts(1000), QString(), QString(), QString(), false); }},
        {"list", [] { TouchDialogs::list::ConstrucaoList(&activeProducts(1000), QStringLiteral("Combo")); }},
    };
    return dialogs[i];
}

} // namespace bench
