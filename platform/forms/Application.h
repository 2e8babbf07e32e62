// The application object and the screen, as the dialogs see them.
#pragma once

#include <TouchDialogs/Application.h>

#include <QList>

namespace TouchDialogs {

class TForm;

// Forms created with the application as owner; freed by freeOwnedForms()
// when the framework is finalised.
void adoptForm(TForm *form);
QList<TForm *> ownedForms();
void freeOwnedForms();

// The factor the forms are drawn at: Extensions::scale, where 0 is the
// largest factor at which an 800 x 600 form fits the screen (never below 1).
double formScale();

class Screen {
public:
    static int Width();
    static int Height();
    // Tests pretend another screen size; 0 x 0 goes back to the real one.
    static void setSizeForTesting(int width, int height);
};

} // namespace TouchDialogs
