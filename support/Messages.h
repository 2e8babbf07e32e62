// A form's message catalogue: lines of KEY|text placed in the layout.
#pragma once

#include "platform/rtl/Export.h"

#include <QStringList>
#include <QWidget>

namespace TouchDialogs {

class TMessages : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QStringList Messages READ Messages WRITE setMessages)

public:
    explicit TMessages(QWidget *parent = nullptr);
    QStringList Messages() const { return m_lines; }
    void setMessages(const QStringList &lines) { m_lines = lines; }
    // The text after the "|" of the line whose key is Key; "" when no line
    // has that key.
    QString Msg(const QString &Key) const;

private:
    QStringList m_lines;
};

} // namespace TouchDialogs
