// Reads a form's stored layout at run time into the form object itself: the
// .ui root becomes the form, its children our controls; the "onXxx" dynamic
// properties stay for the form to bind. A layout compiled by uic builds the
// same form without it (TForm::createFromLayout).
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
    // Exception when the layout is missing or cannot be read.
    void loadInto(const QString &resourceName);

    // Control classes a layout may use, by class name.
    static void registerClass(const QString &className, Factory factory);

    QWidget *createWidget(const QString &className, QWidget *parent, const QString &name) override;

private:
    TForm *m_form;
    bool m_rootTaken = false;
};

} // namespace TouchDialogs
