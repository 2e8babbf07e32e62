// Loads a form's stored layout into the form object itself: the .ui root
// becomes the form, its children our controls, and every "onXxx" dynamic
// property is bound to the form's handler of that name.
#pragma once

#include "platform/rtl/Export.h"

#include <QUiLoader>
#include <functional>

namespace TouchDialogs {

class TForm;

class LayoutLoader : public QUiLoader {
public:
    using Factory = std::function<QWidget *(QWidget *parent)>;

    explicit LayoutLoader(TForm *form);

    // Loads :/layouts/<name> (from the language pack first); raises
    // Exception when the layout is missing or names an unknown handler.
    void loadInto(const QString &resourceName);

    // Control classes a layout may use, by class name.
    static void registerClass(const QString &className, Factory factory);

    QWidget *createWidget(const QString &className, QWidget *parent, const QString &name) override;

private:
    void applyFontHeights();
    void applyScale();
    void bindEvents();
    TForm *m_form;
    bool m_rootTaken = false;
};

} // namespace TouchDialogs
