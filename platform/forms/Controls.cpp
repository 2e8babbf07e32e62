#include "platform/forms/Controls.h"
#include "platform/forms/Form.h"
#include "platform/rtl/Modules.h"

#include <QApplication>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmapCache>
#include <QStyleOptionToolButton>
#include <QStylePainter>
#include <qdrawutil.h>
#include <algorithm>
#include <utility>
#include <vector>

namespace TouchDialogs {

// What every form's controls share (sharedPalette, glyph icons).
namespace {
std::vector<QPalette> g_keptPalettes; // one per colour scheme in use: a few
QHash<QString, std::pair<QIcon, QSize>> g_keptIcons; // by resource, glyph count, scale
} // namespace

void releaseKeptPictures()
{
    g_keptPalettes.clear();
    g_keptIcons.clear();
}

// A picture at a scale: each side rounded, as every length of a scaled form.
static QSize scaledPictureSize(const QSize &size, double factor)
{
    return factor == 1.0 ? size : QSize(qRound(size.width() * factor), qRound(size.height() * factor));
}

// Read as its name says first: Qt's own guess asks every image plugin
// installed (loading each) before its built-in PNG reader, ~1.5 ms for the
// first picture of a process. What that does not read is left to the guess.
// Kept in Qt's pixmap cache, as QPixmap(path) keeps it, for the next form.
static QPixmap loadPicture(const QString &path)
{
    const QString key = QStringLiteral("td_picture|") + path + u'|' + QString::number(ResourceGeneration());
    QPixmap picture;
    if (QPixmapCache::find(key, &picture))
        return picture;
    QImageReader reader(path, QFileInfo(path).suffix().toLatin1());
    reader.setAutoDetectImageFormat(false);
    QImage image = reader.read();
    picture = image.isNull() ? QPixmap(path) : QPixmap::fromImage(std::move(image));
    if (!picture.isNull())
        QPixmapCache::insert(key, picture);
    return picture;
}

// Resampled smoothly, with the screen's device pixels in it, so a scaled
// picture is not a blocky one.
static QPixmap scaledPicture(const QPixmap &picture, const QSize &size)
{
    if (picture.isNull() || size == picture.size())
        return picture;
    const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    QPixmap out = picture.scaled(size * ratio, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    out.setDevicePixelRatio(ratio);
    return out;
}

// ---- TSpeedButton ---------------------------------------------------------

TSpeedButton::TSpeedButton(QWidget *parent) : QToolButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setToolButtonStyle(Qt::ToolButtonTextOnly);
    connect(this, &QToolButton::clicked, this, [this] {
        if (!m_repeat)
            dispatchEvent(this, [this] { Click(); });
    });
    // A repeating key acts when pressed, not when released.
    connect(this, &QToolButton::pressed, this, [this] {
        if (!m_repeat)
            return;
        m_repeat->start(kRepeatDelay);
        dispatchEvent(this, [this] { Click(); });
    });
    connect(this, &QToolButton::released, this, [this] {
        if (m_repeat)
            m_repeat->stop();
    });
}

void TSpeedButton::setRepeatWhileHeld(bool on)
{
    if (on == (m_repeat != nullptr))
        return;
    if (!on) {
        delete std::exchange(m_repeat, nullptr);
        return;
    }
    m_repeat = new QTimer(this);
    m_repeat->setObjectName(QStringLiteral("repeatTimer"));
    connect(m_repeat, &QTimer::timeout, this, [this] {
        // A key that is no longer held (the form closed or disabled it, or the
        // release never came) stops.
        if (!isDown() || !isEnabled() || !isVisible()) {
            m_repeat->stop();
            return;
        }
        m_repeat->start(kRepeatInterval);
        dispatchEvent(this, [this] { Click(); });
    });
}

void TSpeedButton::setLatched(bool on)
{
    if (m_latched == on)
        return;
    m_latched = on;
    update();
}

void TSpeedButton::setCaption(const QString &caption)
{
    m_caption = caption;
    setText(caption);
    // The "&" marks the accelerator the form handles itself; no Alt shortcut.
    setShortcut(QKeySequence());
    setToolButtonStyle(m_glyph.isEmpty() ? Qt::ToolButtonTextOnly
                       : caption.isEmpty() ? Qt::ToolButtonIconOnly
                                           : Qt::ToolButtonTextUnderIcon);
}

void TSpeedButton::setGlyph(const QString &resource)
{
    m_glyph = resource;
    if (resource.isEmpty()) {
        setIcon(QIcon());
    } else {
        // Qt's icons keep what they draw in the pixmap cache under each
        // pixmap's own key: the buttons of every form share one icon per
        // glyph, so a new form does not fill the cache with copies.
        QHash<QString, std::pair<QIcon, QSize>> &icons = g_keptIcons;
        const QString path = ResourcePath(resource);
        const QString key = path + u'|' + QString::number(m_numGlyphs) + u'|' + QString::number(m_scale) + u'|'
                            + QString::number(ResourceGeneration());
        auto found = icons.constFind(key);
        if (found == icons.cend()) {
            const QPixmap pixmap = loadPicture(path);
            const int count = std::clamp(m_numGlyphs, 1, std::max(pixmap.width(), 1));
            const int width = pixmap.width() / count;
            const QSize size = scaledPictureSize(QSize(width, pixmap.height()), m_scale);
            QIcon icon;
            if (count == 1) {
                icon.addPixmap(scaledPicture(pixmap, size));
            } else {
                icon.addPixmap(scaledPicture(pixmap.copy(0, 0, width, pixmap.height()), size), QIcon::Normal);
                icon.addPixmap(scaledPicture(pixmap.copy(width, 0, width, pixmap.height()), size), QIcon::Disabled);
            }
            if (icons.size() >= 256)
                icons.clear();
            found = icons.insert(key, {icon, size});
        }
        setIcon(found->first);
        setIconSize(found->second);
    }
    setCaption(m_caption);
}

void TSpeedButton::applyScale(double factor)
{
    m_scale = factor;
    if (!m_glyph.isEmpty())
        setGlyph(m_glyph);
}

void TSpeedButton::setNumGlyphs(int count)
{
    m_numGlyphs = std::max(count, 1);
    if (!m_glyph.isEmpty())
        setGlyph(m_glyph);
}

void TSpeedButton::setColor(const QColor &color)
{
    // Drawn from m_color itself, not from the palette: a layout's palette
    // (set after Color, for the caption colour) replaces the whole palette.
    m_color = color;
    update();
}

void TSpeedButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionToolButton option;
    initStyleOption(&option);
    drawButton(painter, option);
}

QPalette sharedPalette(const QPalette &palette)
{
    std::vector<QPalette> &kept = g_keptPalettes;
    for (const QPalette &p : kept)
        if (p == palette)
            return p;
    if (kept.size() >= 64)
        kept.erase(kept.begin());
    kept.push_back(palette);
    return palette;
}

void TSpeedButton::initStyleOption(QStyleOptionToolButton *option) const
{
    QToolButton::initStyleOption(option);
    option->palette = sharedPalette(option->palette);
    if (m_latched)
        option->state |= QStyle::State_On | QStyle::State_Sunken;
}

void TSpeedButton::drawButton(QStylePainter &painter, const QStyleOptionToolButton &option) const
{
    if (!m_color.isValid()) {
        painter.drawComplexControl(QStyle::CC_ToolButton, option);
        return;
    }
    // The styles shade a face with gradients of their own; this face is the
    // colour asked for.
    const bool down = option.state & (QStyle::State_Sunken | QStyle::State_On);
    const QBrush face(m_color);
    if (autoRaise() && !down)
        painter.fillRect(option.rect, face);
    else
        qDrawWinButton(&painter, option.rect, option.palette, down, &face);
    QStyleOptionToolButton label = option;
    label.rect = option.rect.adjusted(2, 2, -2, -2);
    if (down)
        label.rect.translate(1, 1);
    painter.drawControl(QStyle::CE_ToolButtonLabel, label);
}

void TSpeedButton::Click()
{
    if (OnClick)
        OnClick(this);
}

bool TSpeedButton::bindEvent(const QByteArray &event, TForm &form, const QString &handler)
{
    if (event != "onClick")
        return false;
    OnClick = form.handler<QObject *>(handler);
    return true;
}

// ---- TLabel ---------------------------------------------------------------

TLabel::TLabel(QWidget *parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
}

void TLabel::setCaption(const QString &caption)
{
    // Callers break lines with CR (alone or before LF); Qt breaks at LF only.
    m_caption = caption;
    m_shown = caption;
    m_shown.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
    setText(m_shown);
}

QColor TLabel::Color() const
{
    return palette().color(QPalette::Window);
}

void TLabel::setColor(const QColor &color)
{
    QPalette pal = palette();
    pal.setColor(QPalette::Window, color);
    setPalette(pal);
    setAutoFillBackground(true);
}

void TLabel::setFontColor(const QColor &color)
{
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, color);
    setPalette(pal);
}

// ---- TEdit ----------------------------------------------------------------

TEdit::TEdit(QWidget *parent) : QLineEdit(parent)
{
    setReadOnly(true);
}

bool TEdit::bindEvent(const QByteArray &event, TForm &form, const QString &handler)
{
    if (event == "onKeyDown")
        OnKeyDown = form.handler<QObject *, WORD &, TShiftState>(handler);
    else if (event == "onKeyPress")
        OnKeyPress = form.handler<QObject *, QChar &>(handler);
    else
        return false;
    return true;
}

// ---- TPanel, TBevel, TImage -----------------------------------------------

TPanel::TPanel(QWidget *parent) : QFrame(parent)
{
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
}

QColor TPanel::Color() const
{
    return palette().color(QPalette::Window);
}

void TPanel::setColor(const QColor &color)
{
    QPalette pal = palette();
    pal.setColor(QPalette::Window, color);
    setPalette(pal);
    setAutoFillBackground(true);
}

void TPanel::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    if (!m_caption.isEmpty()) {
        QPainter p(this);
        p.drawText(contentsRect(), Qt::AlignCenter, m_caption);
    }
}

TBevel::TBevel(QWidget *parent) : QFrame(parent)
{
    setFrameShape(QFrame::Box);
    setFrameShadow(QFrame::Sunken);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

TImage::TImage(QWidget *parent) : QLabel(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TImage::setPicture(const QString &resource)
{
    m_picture = resource;
    const QPixmap picture = resource.isEmpty() ? QPixmap() : loadPicture(ResourcePath(resource));
    // A stretched picture is resampled to the control by QLabel itself.
    setPixmap(Stretch() ? picture : scaledPicture(picture, scaledPictureSize(picture.size(), m_scale)));
}

void TImage::applyScale(double factor)
{
    m_scale = factor;
    if (!m_picture.isEmpty())
        setPicture(m_picture);
}

// ---- TShape ---------------------------------------------------------------

TShape::TShape(QWidget *parent) : QWidget(parent) {}

void TShape::applyScale(double factor)
{
    if (m_penWidth > 0)
        setPenWidth(std::max(1, int(qRound(m_penWidth * factor))));
}

bool TShape::bindEvent(const QByteArray &event, TForm &form, const QString &handler)
{
    if (event != "onMouseDown")
        return false;
    OnMouseDown = form.handler<QObject *, TMouseButton, TShiftState, int, int>(handler);
    return true;
}

void TShape::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setBrush(toQColor(m_brush));
    if (m_penWidth > 0) {
        QPen pen(toQColor(m_pen));
        pen.setWidth(m_penWidth);
        p.setPen(pen);
    } else {
        p.setPen(Qt::NoPen);
    }
    const int inset = m_penWidth / 2;
    p.drawRect(rect().adjusted(inset, inset, -inset - (m_penWidth > 0 ? 1 : 0), -inset - (m_penWidth > 0 ? 1 : 0)));
}

void TShape::mousePressEvent(QMouseEvent *event)
{
    if (!OnMouseDown)
        return;
    const TMouseButton button = event->button() == Qt::RightButton ? mbRight
                                : event->button() == Qt::MiddleButton ? mbMiddle
                                                                       : mbLeft;
    const TShiftState shift = shiftStateFromQt(event->modifiers(), event->buttons());
    const QPoint pos = event->position().toPoint();
    dispatchEvent(this, [&] { OnMouseDown(this, button, shift, pos.x(), pos.y()); });
}

// ---- TTimer ---------------------------------------------------------------

TTimer::TTimer(QWidget *parent) : QWidget(parent)
{
    setVisible(false);
    setAttribute(Qt::WA_DontShowOnScreen);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (OnTimer)
            dispatchEvent(this, [this] { OnTimer(this); });
    });
}

void TTimer::setInterval(int ms)
{
    m_interval = ms;
    restart();
}

void TTimer::setEnabled(bool on)
{
    m_enabled = on;
    restart();
}

void TTimer::restart()
{
    m_timer.stop();
    if (m_enabled && m_interval > 0 && OnTimer)
        m_timer.start(m_interval);
}

bool TTimer::bindEvent(const QByteArray &event, TForm &form, const QString &handler)
{
    if (event != "onTimer")
        return false;
    OnTimer = form.handler<QObject *>(handler);
    restart();
    return true;
}

} // namespace TouchDialogs
