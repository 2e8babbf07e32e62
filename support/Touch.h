// The touch button: a big speed button a host or a form creates at run time
// or places in a layout.
#pragma once

#include "platform/forms/Controls.h"

namespace TouchDialogs {

class TTouchButton : public TSpeedButton {
    Q_OBJECT
    Q_PROPERTY(QString Hint READ Hint WRITE setHint)
    Q_PROPERTY(bool ShowHint READ ShowHint WRITE setShowHint)

public:
    explicit TTouchButton(QWidget *parent = nullptr);
    QString Hint() const { return m_hint; }
    void setHint(const QString &hint);
    bool ShowHint() const { return m_showHint; }
    void setShowHint(bool on);
    void SetBounds(int left, int top, int width, int height) { setGeometry(left, top, width, height); }
    // True when the caption is drawn on more than one line to fit the width.
    bool captionNeedsWrap() const;

protected:
    // A caption too wide for the button is wrapped onto more lines rather
    // than cut off (translated captions are often longer).
    void paintEvent(QPaintEvent *event) override;

private:
    static constexpr int kCaptionMargin = 4;
    QString m_hint;
    bool m_showHint = false;
};

} // namespace TouchDialogs
