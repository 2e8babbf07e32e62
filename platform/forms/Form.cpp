#include "platform/forms/Form.h"
#include "platform/forms/Application.h"
#include "platform/forms/LayoutLoader.h"
#include "platform/rtl/Modules.h"
#include "platform/win/X11Frame.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QBackingStore>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QScopeGuard>
#include <QLayout>
#include <QLoggingCategory>
#include <QMetaObject>
#include <QPainter>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <memory>
#include <sys/mman.h>
#include <unistd.h>
#include <utility>

namespace TouchDialogs {

static void keepModalRunInFront(QWindow *focus);

namespace {

// Routes every key pressed in a TForm window through the form first, in the
// order the forms expect (preview, focused control, character). Installed
// once on each application: it goes with the application, and the next one
// (after td_finish, or a host's new one) gets its own.
class KeyRouter : public QObject {
public:
    static void ensureInstalled()
    {
        static QPointer<KeyRouter> router;
        if (!router && qApp) {
            router = new KeyRouter;
            router->setParent(qApp);
            qApp->installEventFilter(router);
            QObject::connect(qApp, &QGuiApplication::focusWindowChanged, router, &keepModalRunInFront);
        }
    }
    // The copy handed to a control for its own default processing; it must
    // pass this filter untouched.
    static QKeyEvent *passing;

private:
    static bool isUserInput(QEvent::Type type)
    {
        switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::Wheel:
            return true;
        default:
            return false;
        }
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)
            noteKeyboardState(*static_cast<QKeyEvent *>(event));
        if (isUserInput(event->type()) && watched->isWidgetType()) {
            // A modal run that is ending takes no further input: the handler
            // that set the modal result was the last one (a second quick
            // touch must not change the answer).
            auto *form = qobject_cast<TForm *>(static_cast<QWidget *>(watched)->window());
            if (form && form->isModalEnding())
                return true;
        }
        if (event->type() != QEvent::KeyPress || event == passing || !watched->isWidgetType())
            return false;
        auto *widget = static_cast<QWidget *>(watched);
        auto *form = qobject_cast<TForm *>(widget->window());
        if (!form || !form->isEnabled())
            return false;
        form->dispatchKey(widget, static_cast<QKeyEvent *>(event));
        return true;
    }
};

QKeyEvent *KeyRouter::passing = nullptr;

} // namespace

// The forms whose modal runs are going on, innermost last.
static QList<QPointer<TForm>> &modalRuns()
{
    static QList<QPointer<TForm>> runs;
    return runs;
}

// The innermost modal run when the window with the keys is one it blocks;
// null when that window is the run's own or a host's modal window over it.
static TForm *runBlocking(QWindow *focus)
{
    auto &runs = modalRuns();
    runs.removeAll(nullptr);
    if (!focus || runs.isEmpty())
        return nullptr;
    TForm *innermost = runs.last();
    if (!innermost->isVisible() || innermost->isModalEnding() || QApplication::activeModalWidget() != innermost)
        return nullptr;
    // Its own windows (forms shown over it) keep what they got.
    for (QWindow *w = focus; w; w = w->transientParent())
        if (w == innermost->windowHandle())
            return nullptr;
    return innermost;
}

// QT_LOGGING_RULES="touchdialogs.keys.debug=true" shows who asks for the keys.
Q_LOGGING_CATEGORY(lcKeys, "touchdialogs.keys", QtWarningMsg)

static void askForTheKeys(const QPointer<TForm> &form, int retries)
{
    if (!form || !form->isVisible() || !form->windowHandle())
        return;
    qCDebug(lcKeys) << form->objectName() << "asks for the keys back from" << QGuiApplication::focusWindow()
                    << retries << "more times at most";
    // Not activateWindow(): Qt counts a window as active while its parent
    // has the focus, and would ask nothing.
    form->raise();
    form->windowHandle()->requestActivate();
    // A Wayland compositor drops a request whose token raced another focus
    // change: ask again while a window the run blocks still has the keys.
    if (retries > 0)
        QTimer::singleShot(500, form, [form, retries] {
            if (runBlocking(QGuiApplication::focusWindow()) == form)
                askForTheKeys(form, retries - 1);
        });
}

// A touch on a window that a modal run blocks takes no input, but a Wayland
// compositor still gives it the keys and raises it, hiding the dialog: the
// innermost run asks for them back.
static void keepModalRunInFront(QWindow *focus)
{
    qCDebug(lcKeys) << "the keys went to" << focus;
    if (TForm *form = runBlocking(focus))
        QMetaObject::invokeMethod(form, [form = QPointer<TForm>(form)] { askForTheKeys(form, 10); },
                                  Qt::QueuedConnection);
}

void dispatchEvent(QObject *sender, const std::function<void()> &handler)
{
    try {
        try {
            handler();
        } catch (const std::exception &e) {
            Application::HandleException(sender, e);
        } catch (...) {
            Application::HandleException(sender, Exception(QStringLiteral("Unknown error")));
        }
    } catch (...) {
        // The error handler let it through. Crossing Qt's event loop would
        // leave the dialog's loop state dangling: the innermost modal run
        // ends and raises it once it has returned.
        if (!TForm::raiseFromModalRun(std::current_exception()))
            qCritical("TouchDialogs: an error escaped the error handler outside any modal run");
    }
}

bool TForm::raiseFromModalRun(std::exception_ptr error)
{
    auto &runs = modalRuns();
    runs.removeAll(nullptr);
    if (runs.isEmpty())
        return false;
    TForm *form = runs.last();
    if (!form->m_raised)
        form->m_raised = error;
    form->m_allowDone = true;
    form->QDialog::done(2);
    form->m_allowDone = false;
    return true;
}

TForm::TForm(QObject *owner) : QDialog(nullptr), m_owner(owner), m_scale(formScale())
{
    KeyRouter::ensureInstalled();
    setWindowIcon(Application::Icon());
    if (owner == Application::instance())
        adoptForm(this);
}

TForm::~TForm() = default;

int TForm::scaled(int length) const
{
    return m_scale == 1.0 ? length : int(qRound(length * m_scale));
}

QSize TForm::scaled(const QSize &size) const
{
    return {scaled(size.width()), scaled(size.height())};
}

QRect TForm::scaled(const QRect &rect) const
{
    return {scaled(rect.x()), scaled(rect.y()), scaled(rect.width()), scaled(rect.height())};
}

void TForm::createFromLayout(const std::function<void()> &compiled)
{
    createFromLayout(className().toUpper(), compiled);
}

void TForm::createFromLayout(const QString &resourceName, const std::function<void()> &compiled)
{
    const QString layout = QStringLiteral("layouts/") + resourceName;
    if (compiled && ResourcePath(layout) == QStringLiteral(":/") + layout)
        compiled();
    else
        LayoutLoader(this).loadInto(resourceName);
    applyFontHeights();
    applyScale();
    bindEvents();
    if (OnCreate)
        OnCreate(this);
}

// A .ui font has a point size only; the layouts give character heights in
// pixels as the dynamic property "fontHeight" (and "titleFontHeight" for the
// TitleFont of a grid).
void TForm::applyFontHeights()
{
    QList<QWidget *> widgets{this};
    widgets += findChildren<QWidget *>();
    for (QWidget *w : widgets) {
        const QVariant height = w->property("fontHeight");
        if (height.isValid()) {
            QFont f = w->font();
            f.setPixelSize(std::max(1, scaled(height.toInt())));
            w->setFont(f);
        }
        const QVariant titleHeight = w->property("titleFontHeight");
        const QVariant titleFont = w->property("TitleFont");
        if (titleHeight.isValid() && titleFont.canConvert<QFont>()) {
            QFont f = titleFont.value<QFont>();
            f.setPixelSize(std::max(1, scaled(titleHeight.toInt())));
            w->setProperty("TitleFont", f);
        }
    }
}

// Every rectangle of the layout at the form's scale, each number rounded on
// its own, so a component stands where the factor puts its designed place.
void TForm::applyScale()
{
    m_designedSize = size();
    if (m_scale == 1.0)
        return;
    setGeometry(scaled(geometry()));
    for (QWidget *w : findChildren<QWidget *>()) {
        // The layout's components; a control's own parts (a grid's headers
        // and scroll bars) follow their control.
        const QString name = w->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_")))
            continue;
        w->setGeometry(scaled(w->geometry()));
        if (auto *scalable = dynamic_cast<Scalable *>(w))
            scalable->applyScale(m_scale);
    }
}

void TForm::bindEvents()
{
    QList<QObject *> objects{this};
    objects += findChildren<QObject *>();
    for (QObject *object : objects) {
        for (const QByteArray &property : object->dynamicPropertyNames()) {
            if (property.size() < 3 || !property.startsWith("on") || !QChar(property.at(2)).isUpper())
                continue;
            const QString handler = object->property(property).toString();
            auto *bindable = dynamic_cast<EventBindable *>(object);
            if (!bindable || !bindable->bindEvent(property, *this, handler))
                throw Exception(QStringLiteral("Layout of %1: %2 has no event %3")
                                    .arg(className(), object->objectName(), QString::fromLatin1(property)));
        }
    }
}

bool TForm::bindEvent(const QByteArray &event, TForm &form, const QString &name)
{
    if (event == "onCreate")
        OnCreate = form.handler<QObject *>(name);
    else if (event == "onActivate")
        OnActivate = form.handler<QObject *>(name);
    else if (event == "onShow")
        OnShow = form.handler<QObject *>(name);
    else if (event == "onClose")
        OnClose = form.handler<QObject *, TCloseAction &>(name);
    else if (event == "onKeyDown")
        OnKeyDown = form.handler<QObject *, WORD &, TShiftState>(name);
    else if (event == "onKeyPress")
        OnKeyPress = form.handler<QObject *, QChar &>(name);
    else
        return false;
    return true;
}

int TForm::ShowModal()
{
    if (m_modalRunning || isVisible())
        throw Exception(QStringLiteral("Cannot make a visible window modal"));
    m_modalResult = 0;
    m_modalRunning = true;
    m_releaseAfterModal = false;
    m_raised = nullptr;
    QPointer<TForm> self(this);
    // The window this form is shown over is its parent for the window
    // system: compositors keep a dialog above its parent and place it as a
    // dialog (Wayland ignores move()).
    QWindow *host = hostWindow();
    std::unique_ptr<QWidget> backdrop;
    if (!host && Application::extensions().backdrop)
        backdrop = showBackdrop();
    createWindow();
    windowHandle()->setTransientParent(backdrop ? backdrop->windowHandle() : host);
    modalRuns().append(self);
    const int fallback = exec();
    backdrop.reset();
    modalRuns().removeAll(self);
    modalRuns().removeAll(nullptr);
    if (!self)
        return fallback;
    m_modalRunning = false;
    if (m_releaseAfterModal)
        Release();
    if (m_raised)
        std::rethrow_exception(std::exchange(m_raised, nullptr));
    return m_modalResult;
}

QWindow *TForm::hostWindow() const
{
    const auto &runs = modalRuns();
    for (auto it = runs.crbegin(); it != runs.crend(); ++it)
        if (*it && *it != this && (*it)->isVisible())
            return (*it)->windowHandle();
    QWindow *focus = QGuiApplication::focusWindow();
    if (focus && focus != windowHandle() && focus->isVisible())
        return focus;
    QWidget *modal = QApplication::activeModalWidget();
    if (modal && modal != this && modal->isVisible())
        return modal->windowHandle();
    return nullptr;
}

namespace {

// Dimmed where the compositor blends, dark grey where it cannot.
const QColor kBackdropDim(0, 0, 0, 128);

// Covers the screen under a dialog that has no window to be shown over: the
// dialog is its child, so any compositor centres it above, and stray touches
// land here instead of on the host.
class Backdrop : public QWidget {
public:
    Backdrop() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint)
    {
        setAttribute(Qt::WA_TranslucentBackground);
        setWindowTitle(Application::Title());
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter(this).fillRect(rect(), kBackdropDim);
    }
};

} // namespace

std::unique_ptr<QWidget> TForm::showBackdrop()
{
    auto backdrop = std::make_unique<Backdrop>();
    backdrop->setGeometry(0, 0, Screen::Width(), Screen::Height());
    backdrop->showFullScreen();
    return backdrop;
}

void TForm::createWindow()
{
    // A Wayland compositor may size a window past its limits (a kiosk
    // maximizes every one, and Qt takes the size): what lies outside the
    // content is then seen through, as the backdrop is.
    if (!testAttribute(Qt::WA_WState_Created) && QGuiApplication::platformName() == QLatin1String("wayland"))
        setAttribute(Qt::WA_TranslucentBackground);
    create();
}

QRect TForm::contentRect() const
{
    return m_contentOffset.isNull() ? rect() : QRect(m_contentOffset, maximumSize());
}

void TForm::centreContent()
{
    // Only a fixed-size form made larger than its limits keeps its content
    // at its own size, in the middle; the controls are placed absolutely.
    QPoint offset;
    if (testAttribute(Qt::WA_TranslucentBackground) && minimumSize() == maximumSize())
        offset = QPoint(std::max(0, (width() - maximumWidth()) / 2), std::max(0, (height() - maximumHeight()) / 2));
    if (offset == m_contentOffset)
        return;
    const QPoint shift = offset - m_contentOffset;
    m_contentOffset = offset;
    for (QWidget *child : findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (!child->isWindow())
            child->move(child->pos() + shift);
    update();
}

void TForm::paintEvent(QPaintEvent *event)
{
    if (!testAttribute(Qt::WA_TranslucentBackground))
        return QDialog::paintEvent(event);
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    if (contentRect() != rect())
        painter.fillRect(rect(), kBackdropDim);
    painter.fillRect(contentRect(), palette().window());
}

void TForm::Show()
{
    ownByModalWindow();
    show();
    raise();
    activateWindow();
}

void TForm::ownByModalWindow()
{
    // A modal run blocks every window that is not its own: a form shown over
    // it without an owner would be drawn on top, take no touch, and leave the
    // keys to the hidden window under it. Owned by the modal window, it takes
    // both, like a window shown by that dialog.
    QWidget *modal = QApplication::activeModalWidget();
    if (modal == this)
        modal = nullptr;
    createWindow();
    QWindow *owner = modal ? modal->windowHandle() : nullptr;
    windowHandle()->setTransientParent(owner);
    disconnect(m_ownerHidden);
    if (owner) {
        // Once the owner's run ends, the next modal window down (or none)
        // takes the form over, so it keeps working until it is closed.
        m_ownerHidden = connect(
            owner, &QWindow::visibleChanged, this,
            [this](bool ownerVisible) {
                if (!ownerVisible && isVisible())
                    ownByModalWindow();
            },
            Qt::QueuedConnection);
    }
}

bool TForm::doClose(TCloseAction &action)
{
    if (OnClose)
        OnClose(this, action);
    return action != caNone;
}

void TForm::Close()
{
    if (m_modalRunning) {
        setModalResult(2);
        return;
    }
    TCloseAction action = caHide;
    if (!doClose(action))
        return;
    switch (action) {
    case caHide: hide(); break;
    case caFree: hide(); Release(); break;
    case caMinimize: showMinimized(); break;
    case caNone: break;
    }
}

void TForm::Release()
{
    if (m_modalRunning) {
        m_releaseAfterModal = true;
        return;
    }
    deleteLater();
}

void TForm::setBorderStyle(TFormBorderStyle style)
{
    m_borderStyle = style;
    applyBorder();
}

void TForm::setBorderIcons(TBorderIcons icons)
{
    m_borderIcons = icons & TBorderIcons(biSystemMenu | biMinimize | biMaximize);
    applyBorder();
}

void TForm::applyBorder()
{
    Qt::WindowFlags flags = Qt::Dialog;
    if (m_borderStyle == bsNone) {
        flags |= Qt::FramelessWindowHint;
    } else {
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        if (m_borderIcons & biSystemMenu) {
            flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
            if (m_borderIcons & biMinimize)
                flags |= Qt::WindowMinimizeButtonHint;
            if (m_borderIcons & biMaximize && m_borderStyle == bsSizeable)
                flags |= Qt::WindowMaximizeButtonHint;
        }
        if (m_borderStyle != bsSizeable)
            flags |= Qt::MSWindowsFixedSizeDialogHint;
    }
    const bool shown = isVisible();
    setWindowFlags(flags);
    if (shown)
        show();
}

void TForm::setVisible(bool visible)
{
    if (visible && !isVisible()) {
        if (m_borderStyle != bsSizeable) {
            setFixedSize(size());
        } else if (QGuiApplication::platformName() == QLatin1String("wayland")) {
            // A tiling compositor floats a window that maps at a fixed size
            // and fills the screen with any other; a kiosk fills it anyway,
            // and the form's content stays centred at its size: fixed until
            // its first frame is up, resizable after.
            setFixedSize(size());
            m_sizeHeldForMap = true;
        }
        if (m_position == poScreenCenter) {
            // Edges as whole pixels, truncated toward zero: on a screen smaller
            // than the form it overhangs both sides equally. The native window
            // is made first so the frame counts where the platform knows it.
            createWindow();
            const QSize outer = frameGeometry().size();
            move((Screen::Width() - outer.width()) / 2, (Screen::Height() - outer.height()) / 2);
        }
    }
    const bool wasActive = isActiveWindow();
    QDialog::setVisible(visible);
    // Without a window manager nobody hands the keys back to the window this
    // form was shown over.
    if (!visible && wasActive && windowHandle())
        if (QWindow *owner = windowHandle()->transientParent(); owner && owner->isVisible())
            owner->requestActivate();
    // Hidden, the form is its own size again, and can be resized by code.
    if (!visible && !m_contentOffset.isNull()) {
        resize(maximumSize());
        centreContent();
    }
    if (!visible && (m_borderStyle != bsSizeable || std::exchange(m_sizeHeldForMap, false))) {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }
}

void TForm::setOuterSize(const QSize &size)
{
    m_outerSize = size;
    m_fittedFrame = QSize(-1, -1);
    fitOuterSize();
}

void TForm::fitOuterSize()
{
    // Only a new frame changes the client size, so a size set in code
    // afterwards stays. A frame the manager is still building can measure
    // less than nothing; the offscreen platform reports a frame that nothing
    // draws.
    // The native window's margins, not the widget's frame geometry: the
    // widget updates its copy only when the window moves or resizes.
    const QMargins margins = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    const QSize frame = QGuiApplication::platformName() == QLatin1String("offscreen")
                            ? QSize(0, 0)
                            : QSize(margins.left() + margins.right(), margins.top() + margins.bottom());
    if (frame == m_fittedFrame || frame.width() < 0 || frame.height() < 0)
        return;
    m_fittedFrame = frame;
    const QSize client = m_outerSize - frame;
    if (isVisible() && (m_borderStyle != bsSizeable || m_sizeHeldForMap))
        setFixedSize(client);
    else
        resize(client);
    // Centred while the frame did not count yet. The client's place, not
    // move()'s frame corner: the widget's copy of the frame may be stale.
    if (isVisible() && m_position == poScreenCenter)
        setGeometry(QRect(QPoint((Screen::Width() - m_outerSize.width()) / 2 + margins.left(),
                                 (Screen::Height() - m_outerSize.height()) / 2 + margins.top()),
                          size()));
}

void TForm::setModalResult(int value)
{
    m_modalResult = value;
    if (m_modalRunning && value != 0 && !m_endPending) {
        // Like a message loop that looks at the modal result after each
        // message: the run ends once the current handler has returned.
        m_endPending = true;
        QMetaObject::invokeMethod(this, &TForm::checkModalEnd, Qt::QueuedConnection);
    }
}

void TForm::checkModalEnd()
{
    m_endPending = false;
    if (!m_modalRunning || m_modalResult == 0)
        return;
    dispatchEvent(this, [this] {
        TCloseAction action = caHide;
        if (!doClose(action)) {
            m_modalResult = 0;
            return;
        }
        if (action == caFree)
            m_releaseAfterModal = true;
        m_allowDone = true;
        QDialog::done(m_modalResult);
        m_allowDone = false;
    });
}

void TForm::done(int r)
{
    if (m_allowDone || !m_modalRunning) {
        QDialog::done(r);
        return;
    }
    setModalResult(r != 0 ? r : 2);
}

void TForm::closeEvent(QCloseEvent *event)
{
    // A close request from the system (close box, window manager) is a
    // Close(); the form decides, never QDialog. Once the form has its answer
    // (the run is ending) a late request must not turn it into a cancel.
    event->ignore();
    if (isModalEnding())
        return;
    dispatchEvent(this, [this] { Close(); });
}

void TForm::keyPressEvent(QKeyEvent *event)
{
    // No built-in Escape/Enter handling: only the form's handlers decide.
    event->ignore();
}

void TForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (OnShow && !event->spontaneous())
        dispatchEvent(this, [this] { OnShow(this); });
}

// Tells a form sized by its outer size that the window manager's frame came
// or changed, which Qt learns without telling the window.
class FrameWatcher : public QAbstractNativeEventFilter
{
public:
    static void watch()
    {
        static FrameWatcher watcher;
        static QPointer<QCoreApplication> installedOn;
        if (installedOn != QCoreApplication::instance() && QGuiApplication::platformName() == QLatin1String("xcb")) {
            QCoreApplication::instance()->installNativeEventFilter(&watcher);
            installedOn = QCoreApplication::instance();
        }
    }

    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override
    {
        if (type != "xcb_generic_event_t")
            return false;
        if (const quintptr window = x11::frameExtentsChanged(message))
            for (QWidget *widget : QApplication::topLevelWidgets())
                if (auto *form = qobject_cast<TForm *>(widget); form && form->internalWinId() == window)
                    form->frameChanged();
        return false;
    }
};

// The first paint writes every pixel of a buffer the X server has just
// shared, one page fault per 4 KiB (~470 for 800x600, each costly under a
// hypervisor): the pages are asked for at once instead. Not under Wayland,
// where the buffer must wait for the compositor's configure.
static void prefaultBackingStore(QWidget &window)
{
    QBackingStore *store = window.backingStore();
    if (!store || !store->size().isEmpty() || !window.isWindow()
        || QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    store->resize(window.size());
    const auto *image = dynamic_cast<const QImage *>(store->paintDevice());
    if (!image || image->isNull())
        return;
    const auto page = quintptr(sysconf(_SC_PAGESIZE));
    const auto begin = quintptr(image->constBits()) & ~(page - 1);
    const auto end = quintptr(image->constBits()) + quintptr(image->sizeInBytes());
    // Linux 5.14; an older kernel refuses it and the pages come as before.
    madvise(reinterpret_cast<void *>(begin), end - begin, MADV_POPULATE_WRITE);
}

bool TForm::event(QEvent *event)
{
    // A form without a system menu has no close box; a window manager that
    // draws one anyway (openbox ignores the hints) must not end it.
    if (event->type() == QEvent::Close && event->spontaneous() && m_borderStyle != bsNone
        && !(m_borderIcons & biSystemMenu)) {
        event->ignore();
        return true;
    }
    if (event->type() == QEvent::WindowActivate && OnActivate)
        dispatchEvent(this, [this] { OnActivate(this); });
    if (event->type() == QEvent::Paint && m_sizeHeldForMap) {
        // Queued behind the first frame's commit, so the compositor has
        // mapped the window at its fixed size before the limits go. A window
        // the compositor made larger (a kiosk's) keeps the form centred in
        // it at its size until it is hidden.
        QTimer::singleShot(0, this, [this] {
            if (m_sizeHeldForMap && isVisible() && m_contentOffset.isNull()) {
                m_sizeHeldForMap = false;
                setMinimumSize(0, 0);
                setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
            }
        });
    }
    if (event->type() == QEvent::UpdateRequest)
        prefaultBackingStore(*this);
    const bool handled = QDialog::event(event);
    if (event->type() == QEvent::Resize)
        centreContent();
    if (event->type() == QEvent::Show && m_outerSize.isValid() && windowHandle()) {
        windowHandle()->installEventFilter(this);
        FrameWatcher::watch();
        fitOuterSize();
    }
    return handled;
}

void TForm::frameChanged()
{
    if (m_outerSize.isValid())
        QMetaObject::invokeMethod(this, &TForm::fitOuterSize, Qt::QueuedConnection);
}

bool TForm::eventFilter(QObject *watched, QEvent *event)
{
    // The window system tells the native window, not the form, when the
    // window manager's frame comes or changes: the form learns it after the
    // native window has handled the event.
    const QEvent::Type type = event->type();
    if (watched == windowHandle() && m_outerSize.isValid()
        && (type == QEvent::Move || type == QEvent::Resize || type == QEvent::Expose))
        QMetaObject::invokeMethod(this, &TForm::fitOuterSize, Qt::QueuedConnection);
    return QDialog::eventFilter(watched, event);
}

void TForm::Refresh()
{
    repaint();
}

QObject *TForm::FindComponent(const QString &name) const
{
    if (name.isEmpty())
        return nullptr;
    return findChild<QObject *>(name);
}

static void collect(const QObject *parent, QList<QObject *> &out)
{
    for (QObject *child : parent->children()) {
        const QString name = child->objectName();
        if (qobject_cast<QLayout *>(child) || name.isEmpty() || name.startsWith(QLatin1String("qt_")))
            continue;
        out.append(child);
        collect(child, out);
    }
}

QList<QObject *> TForm::Components() const
{
    QList<QObject *> out;
    collect(this, out);
    return out;
}

void TForm::dispatchKey(QWidget *receiver, QKeyEvent *event)
{
    const KeyInfo info = keyFromQt(*event);
    QWidget *control = receiver != this ? receiver : focusWidget();
    if (control == this)
        control = nullptr;
    auto *keyControl = dynamic_cast<KeyControl *>(control);
    QPointer<QWidget> controlGuard(control);
    const quint64 outerTimestamp = std::exchange(m_keyTimestamp, event->timestamp());
    const auto restore = qScopeGuard([&] { m_keyTimestamp = outerTimestamp; });

    dispatchEvent(this, [&] {
        WORD key = info.key;
        if (key != 0) {
            if (!control) {
                if (OnKeyDown)
                    OnKeyDown(this, key, info.shift);
            } else {
                if (m_keyPreview && OnKeyDown)
                    OnKeyDown(this, key, info.shift);
                if (key != 0 && controlGuard && keyControl && keyControl->OnKeyDown)
                    keyControl->OnKeyDown(control, key, info.shift);
                if (key != 0 && controlGuard) {
                    // The control's own handling (a grid moves on arrows), without
                    // the character: characters belong to the key-press handlers.
                    QKeyEvent copy(QEvent::KeyPress, event->key(), event->modifiers(), QString(),
                                   event->isAutoRepeat(), ushort(event->count()));
                    KeyRouter::passing = &copy;
                    QCoreApplication::sendEvent(control, &copy);
                    KeyRouter::passing = nullptr;
                }
            }
        }
        if (info.character.isNull())
            return;
        QChar ch = info.character;
        if (!control || !controlGuard) {
            if (OnKeyPress)
                OnKeyPress(this, ch);
            return;
        }
        if (m_keyPreview && OnKeyPress)
            OnKeyPress(this, ch);
        if (!ch.isNull() && controlGuard && keyControl && keyControl->OnKeyPress)
            keyControl->OnKeyPress(control, ch);
    });
}

static QChar charFromCode(WPARAM code)
{
    // Windows-1252 and Latin-1 agree on every character the forms accept.
    return QChar(char16_t(code & 0xFF));
}

LRESULT TForm::windowProc(UINT msg, WPARAM wParam, LPARAM)
{
    const quint64 outerTimestamp = std::exchange(m_keyTimestamp, 0);
    const auto restore = qScopeGuard([&] { m_keyTimestamp = outerTimestamp; });
    switch (msg) {
    case WM_CHAR:
        if (OnKeyPress) {
            QChar ch = charFromCode(wParam);
            OnKeyPress(this, ch);
        }
        break;
    case WM_KEYDOWN:
        if (OnKeyDown) {
            WORD key = WORD(wParam);
            OnKeyDown(this, key,
                      shiftStateFromQt(QGuiApplication::queryKeyboardModifiers(), QGuiApplication::mouseButtons()));
        }
        break;
    case WM_CLOSE:
        Close();
        break;
    default:
        break;
    }
    return 0;
}

} // namespace TouchDialogs
