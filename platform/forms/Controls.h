// The controls the layouts are made of: thin Qt widgets with the properties
// and events the dialogs use. Each can live in a .ui file.
#pragma once

#include "platform/forms/Colors.h"
#include "platform/forms/Events.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>

class QStylePainter;
class QStyleOptionToolButton;

namespace TouchDialogs {

// A graphic button that never takes the focus, so keys keep going to the form.
// The styles keep what they draw in Qt's pixmap cache under the palette's
// cache key, and every widget's own palette (set in a layout, resolved
// against its parent's) has a new one: each new form would fill the cache
// with copies of its buttons and titles. Drawn under one kept palette per
// colour scheme, a new form finds them already drawn.
QPalette sharedPalette(const QPalette &palette);
// Drops the kept palettes and glyph icons, while Qt is still there to free
// them (the forms unit's finalization).
void releaseKeptPictures();

class TSpeedButton : public QToolButton, public EventBindable, public Scalable {
    Q_OBJECT
    Q_PROPERTY(int Tag READ Tag WRITE setTag)
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(QString Glyph READ Glyph WRITE setGlyph)
    Q_PROPERTY(int NumGlyphs READ NumGlyphs WRITE setNumGlyphs)
    Q_PROPERTY(bool Flat READ Flat WRITE setFlat)
    Q_PROPERTY(QColor Color READ Color WRITE setColor)
    Q_PROPERTY(bool RepeatWhileHeld READ RepeatWhileHeld WRITE setRepeatWhileHeld)
    Q_PROPERTY(bool Latched READ Latched WRITE setLatched)

public:
    explicit TSpeedButton(QWidget *parent = nullptr);

    // A held key acts on the touch, then again after kRepeatDelay and every
    // kRepeatInterval until the finger lifts (Backspace). The timer is the
    // child QTimer named "repeatTimer".
    static constexpr int kRepeatDelay = 500;
    static constexpr int kRepeatInterval = 50;
    bool RepeatWhileHeld() const { return m_repeat != nullptr; }
    void setRepeatWhileHeld(bool on);
    // Drawn pressed while on: a Shift armed or Caps Lock on.
    bool Latched() const { return m_latched; }
    void setLatched(bool on);

    int Tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }
    // The caption as set, "&" included.
    QString Caption() const { return m_caption; }
    void setCaption(const QString &caption);
    QString Glyph() const { return m_glyph; }
    void setGlyph(const QString &resource);
    // How many pictures the glyph image holds side by side, each an equal
    // share of its width: the first is shown normally, the second while the
    // button is disabled (further ones are not used).
    int NumGlyphs() const { return m_numGlyphs; }
    void setNumGlyphs(int count);
    bool Flat() const { return autoRaise(); }
    void setFlat(bool flat) { setAutoRaise(flat); }
    QColor Color() const { return m_color; }
    void setColor(const QColor &color);
    bool Enabled() const { return isEnabled(); }
    void setEnabled(bool on) { QToolButton::setEnabled(on); }

    // Runs OnClick, enabled or not.
    void Click();
    TNotifyEvent OnClick;

    bool bindEvent(const QByteArray &event, TForm &form, const QString &handler) override;
    // The glyph is drawn that much larger, resampled smoothly.
    void applyScale(double factor) override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void initStyleOption(QStyleOptionToolButton *option) const override;
    // Draws the button as option describes it: the style's own face, or,
    // with a Color, a flat face of that colour inside a raised edge.
    void drawButton(QStylePainter &painter, const QStyleOptionToolButton &option) const;

private:
    int m_tag = 0;
    QString m_caption;
    QString m_glyph;
    int m_numGlyphs = 1;
    QColor m_color;
    QTimer *m_repeat = nullptr;
    bool m_latched = false;
    double m_scale = 1.0;
};

class TLabel : public QLabel {
    Q_OBJECT
    Q_PROPERTY(int Tag READ Tag WRITE setTag)
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(bool Transparent READ Transparent WRITE setTransparent)
    Q_PROPERTY(QColor Color READ Color WRITE setColor)

public:
    explicit TLabel(QWidget *parent = nullptr);
    int Tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }
    // The caption as set, whatever the line breaks it uses.
    QString Caption() const { return text() == m_shown ? m_caption : text(); }
    // CR, LF and CR-LF each break the line on the screen.
    void setCaption(const QString &caption);
    bool Transparent() const { return !autoFillBackground(); }
    void setTransparent(bool on) { setAutoFillBackground(!on); }
    QColor Color() const;
    void setColor(const QColor &color);
    void setFontColor(const QColor &color);

private:
    int m_tag = 0;
    QString m_caption;
    QString m_shown;
};

// A read-only edit line that takes keys while focused.
class TEdit : public QLineEdit, public KeyControl, public EventBindable {
    Q_OBJECT
    Q_PROPERTY(int Tag READ Tag WRITE setTag)
    Q_PROPERTY(QString Text READ Text WRITE setText_)

public:
    explicit TEdit(QWidget *parent = nullptr);
    int Tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }
    QString Text() const { return text(); }
    void setText_(const QString &t) { setText(t); }
    void SetFocus() { setFocus(Qt::OtherFocusReason); }
    bool bindEvent(const QByteArray &event, TForm &form, const QString &handler) override;

private:
    int m_tag = 0;
};

class TPanel : public QFrame {
    Q_OBJECT
    Q_PROPERTY(int Tag READ Tag WRITE setTag)
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(QColor Color READ Color WRITE setColor)

public:
    explicit TPanel(QWidget *parent = nullptr);
    int Tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }
    QString Caption() const { return m_caption; }
    void setCaption(const QString &caption) { m_caption = caption; update(); }
    QColor Color() const;
    void setColor(const QColor &color);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_tag = 0;
    QString m_caption;
};

class TBevel : public QFrame {
    Q_OBJECT
public:
    explicit TBevel(QWidget *parent = nullptr);
};

// A picture from the resources; nothing draws when it has none.
class TImage : public QLabel, public Scalable {
    Q_OBJECT
    Q_PROPERTY(QString Picture READ Picture WRITE setPicture)
    Q_PROPERTY(bool Stretch READ Stretch WRITE setStretch)

public:
    explicit TImage(QWidget *parent = nullptr);
    QString Picture() const { return m_picture; }
    void setPicture(const QString &resource);
    bool Stretch() const { return hasScaledContents(); }
    void setStretch(bool on) { setScaledContents(on); }
    void applyScale(double factor) override;

private:
    QString m_picture;
    double m_scale = 1.0;
};

// A filled rectangle; the colour swatches of the colour chooser.
class TShape : public QWidget, public EventBindable, public Scalable {
    Q_OBJECT
    Q_PROPERTY(int Tag READ Tag WRITE setTag)
    Q_PROPERTY(int BrushColor READ BrushColor WRITE setBrushColor)
    Q_PROPERTY(int PenColor READ PenColor WRITE setPenColor)
    Q_PROPERTY(int PenWidth READ PenWidth WRITE setPenWidth)

public:
    explicit TShape(QWidget *parent = nullptr);
    int Tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }
    TColor BrushColor() const { return m_brush; }
    void setBrushColor(TColor c) { m_brush = c; update(); }
    TColor PenColor() const { return m_pen; }
    void setPenColor(TColor c) { m_pen = c; update(); }
    int PenWidth() const { return m_penWidth; }
    void setPenWidth(int w) { m_penWidth = w; update(); }
    void applyScale(double factor) override;

    TMouseEvent OnMouseDown;
    bool bindEvent(const QByteArray &event, TForm &form, const QString &handler) override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    int m_tag = 0;
    TColor m_brush = clWhite;
    TColor m_pen = clBlack;
    int m_penWidth = 1;
};

// A timer that can live in a layout: an invisible component around QTimer.
class TTimer : public QWidget, public EventBindable {
    Q_OBJECT
    Q_PROPERTY(int Interval READ Interval WRITE setInterval)
    Q_PROPERTY(bool Enabled READ Enabled WRITE setEnabled)

public:
    explicit TTimer(QWidget *parent = nullptr);
    int Interval() const { return m_interval; }
    void setInterval(int ms);
    bool Enabled() const { return m_enabled; }
    void setEnabled(bool on);

    TNotifyEvent OnTimer;
    bool bindEvent(const QByteArray &event, TForm &form, const QString &handler) override;

private:
    void restart();
    QTimer m_timer;
    int m_interval = 1000;
    bool m_enabled = true;
};

} // namespace TouchDialogs
