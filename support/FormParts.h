// What a form's layout must hold.
#pragma once

#include "platform/forms/Form.h"
#include "platform/rtl/Exceptions.h"

namespace TouchDialogs {

// The component of that name and class; raises Exception, naming the form,
// when the layout has none.
template <class T> T *requiredComponent(const TForm &form, const char *name)
{
    auto *c = form.component<T>(QString::fromLatin1(name));
    if (!c)
        throw Exception(QStringLiteral("%1: the layout has no %2").arg(form.className(), QString::fromLatin1(name)));
    return c;
}

} // namespace TouchDialogs
