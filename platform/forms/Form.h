// TForm: the base of every dialog form. A form is built from its stored
// layout (a Qt Designer .ui under :/layouts/<CLASS NAME IN CAPITALS>), into
// the form itself: compiled into the library by uic, or read at run time when
// a language pack brings its own. Handlers named in the layout are bound to
// the methods the form class registered with bind().
#pragma once

#include "platform/forms/Events.h"
#include "platform/rtl/Exceptions.h"
#include "platform/win/Windows.h"

#include <QDialog>
#include <QHash>
#include <QPointer>
#include <any>
#include <exception>
#include <functional>
#include <memory>
#include <typeinfo>

namespace TouchDialogs {

class TD_EXPORT TForm : public QDialog, public MessageTarget, public EventBindable {
    Q_OBJECT
    Q_PROPERTY(bool KeyPreview READ KeyPreview WRITE setKeyPreview)
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(int Tag READ Tag WRITE setTag)
    Q_PROPERTY(TFormBorderStyle BorderStyle READ BorderStyle WRITE setBorderStyle)
    Q_PROPERTY(TBorderIcons BorderIcons READ BorderIcons WRITE setBorderIcons)
    Q_PROPERTY(TPosition Position READ Position WRITE setPosition)

public:
    // bsSingle and bsDialog fix the size the form has when it is shown;
    // bsNone has no frame at all.
    enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog };
    Q_ENUM(TFormBorderStyle)
    // A layout writes no icons as biNone: Qt 6.8 no longer reads an empty
    // <set>.
    enum TBorderIcon { biNone = 0, biSystemMenu = 1, biMinimize = 2, biMaximize = 4 };
    Q_DECLARE_FLAGS(TBorderIcons, TBorderIcon)
    Q_FLAG(TBorderIcons)
    // poScreenCenter centres the form on the screen each time it is shown.
    enum TPosition { poDesigned, poScreenCenter };
    Q_ENUM(TPosition)

    // owner: nullptr (the caller frees the form) or Application::instance()
    // (the application object frees what is still alive at its end).
    explicit TForm(QObject *owner = nullptr);
    ~TForm() override;

    // Modal run: returns the modal result that ended it. An error that the
    // general error handler lets through (a host's OnException that throws)
    // ends the innermost run and is raised again from its ShowModal.
    int ShowModal();
    // Shows the form without waiting. Shown while a modal run goes on, it is
    // owned by the modal window and takes touches and keys over it.
    void Show();
    // Modal: ends the run with modal result 2 (once the current handler is
    // done). Otherwise runs OnClose and hides or releases the form.
    void Close();
    // Deferred destruction; a no-op if the form is freed first. During a
    // modal run it waits until ShowModal has returned, so the caller can
    // still read the form's answer.
    void Release();
    int ModalResult() const { return m_modalResult; }
    // A non-zero value ends a modal run after the current handler; 0 does not.
    void setModalResult(int value);
    bool isModalRunning() const { return m_modalRunning; }
    // A non-zero modal result was set and the run is about to end; the form
    // ignores user input meanwhile.
    bool isModalEnding() const { return m_modalRunning && m_modalResult != 0; }

    bool KeyPreview() const { return m_keyPreview; }
    void setKeyPreview(bool on) { m_keyPreview = on; }
    QString Caption() const { return windowTitle(); }
    void setCaption(const QString &text) { setWindowTitle(text); }
    int Tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }
    QObject *Owner() const { return m_owner; }
    TFormBorderStyle BorderStyle() const { return m_borderStyle; }
    void setBorderStyle(TFormBorderStyle style);
    TBorderIcons BorderIcons() const { return m_borderIcons; }
    void setBorderIcons(TBorderIcons icons);
    TPosition Position() const { return m_position; }
    void setPosition(TPosition position) { m_position = position; }
    void setVisible(bool visible) override;
    // Sizes the window with its frame (title bar and borders), as a form's
    // Width and Height do: the client area is what the frame leaves. The
    // window system reports the frame only once the window is shown; until
    // then, and where there is none, the client area takes the whole size.
    void setOuterSize(const QSize &size);

    // The factor this form's layout is drawn at (fixed when it is created),
    // and a length, size or rectangle of the layout at that factor: each
    // number times the factor, rounded.
    double scale() const { return m_scale; }
    // The form's client size as its layout gives it, before scaling.
    QSize designedSize() const { return m_designedSize; }
    int scaled(int length) const;
    QSize scaled(const QSize &size) const;
    QRect scaled(const QRect &rect) const;

    // Repaints the form at once.
    void Refresh();

    QObject *FindComponent(const QString &name) const;
    template <class T> T *component(const QString &name) const
    {
        return qobject_cast<T *>(FindComponent(name));
    }
    // The form's components (children at any depth, layouts excluded), in
    // creation order.
    QList<QObject *> Components() const;
    int ComponentCount() const { return Components().size(); }

    TNotifyEvent OnCreate;
    TNotifyEvent OnActivate;
    TNotifyEvent OnShow;
    TCloseEvent OnClose;
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;

    // Registers a handler under its name, for the layout to bind.
    template <class Form, class... Args>
    void bind(const char *name, void (Form::*method)(Args...))
    {
        Form *self = static_cast<Form *>(this);
        m_handlers.insert(QString::fromLatin1(name),
                          std::function<void(Args...)>([self, method](Args... args) {
                              (self->*method)(std::forward<Args>(args)...);
                          }));
    }
    // The registered handler of that name and signature; raises Exception
    // naming the form and the handler when there is none.
    template <class... Args>
    std::function<void(Args...)> handler(const QString &name) const
    {
        auto it = m_handlers.constFind(name);
        if (it == m_handlers.constEnd())
            throw Exception(QStringLiteral("%1 has no handler named %2").arg(className(), name));
        if (const auto *fn = std::any_cast<std::function<void(Args...)>>(&*it))
            return *fn;
        throw Exception(QStringLiteral("%1: handler %2 has the wrong signature").arg(className(), name));
    }
    QString className() const { return QString::fromLatin1(metaObject()->className()).section(u':', -1); }

    // Window messages from SendMessageA: WM_CHAR runs OnKeyPress, WM_KEYDOWN
    // runs OnKeyDown, WM_CLOSE closes.
    LRESULT windowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool bindEvent(const QByteArray &event, TForm &form, const QString &handler) override;

    // A physical key that reached a control of this form (or the form):
    // preview, the focused control, then the character. Returns true when the
    // event was consumed by the handlers.
    void dispatchKey(QWidget *receiver, QKeyEvent *event);
    // While a handler runs for a physical key: the key event's time stamp in
    // milliseconds, as the window system gave it; 0 for keys sent as window
    // messages (the on-screen keys) and when the system gave none.
    quint64 keyTimestamp() const { return m_keyTimestamp; }

protected:
    // Builds this form from the layout stored under the class name in
    // capitals, binds the handlers named in it, then runs OnCreate.
    // Exceptions reach the caller. compiled builds it as uic compiled the
    // library's own layout (setupUi); the layout is read at run time without
    // it and whenever a language pack has its own.
    void createFromLayout(const std::function<void()> &compiled = {});
    void createFromLayout(const QString &resourceName, const std::function<void()> &compiled = {});

    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void done(int r) override;

private:
    friend class FrameWatcher;
    friend void dispatchEvent(QObject *sender, const std::function<void()> &handler);
    // Hands an error to the innermost modal run, which ends and raises it;
    // false when no modal run is going on.
    static bool raiseFromModalRun(std::exception_ptr error);

    // The window a modal run of this form is shown over: the innermost
    // other run, else the window with the keys; nullptr when none.
    QWindow *hostWindow() const;
    static std::unique_ptr<QWidget> showBackdrop();
    // create(), with a background that can be seen through where a
    // compositor makes the window larger than the form (Wayland).
    void createWindow();
    // Where the form's own area lies in its window: all of it unless a
    // compositor made a fixed-size window larger.
    QRect contentRect() const;
    void centreContent();
    // Makes the form owned by the modal window that is active now, if any.
    void ownByModalWindow();
    void checkModalEnd();
    // What follows the building of the layout, whichever way it was built.
    void applyFontHeights();
    void applyScale();
    void bindEvents();
    bool doClose(TCloseAction &action);
    void applyBorder();
    void fitOuterSize();
    // The window manager's frame came or changed: fit the outer size again.
    void frameChanged();

    QHash<QString, std::any> m_handlers;
    QObject *m_owner = nullptr;
    int m_modalResult = 0;
    int m_tag = 0;
    double m_scale = 1.0;
    QSize m_designedSize;
    TFormBorderStyle m_borderStyle = bsSizeable;
    TBorderIcons m_borderIcons = TBorderIcons(biSystemMenu | biMinimize | biMaximize);
    TPosition m_position = poDesigned;
    bool m_keyPreview = false;
    quint64 m_keyTimestamp = 0;
    bool m_modalRunning = false;
    bool m_endPending = false;
    bool m_releaseAfterModal = false;
    bool m_allowDone = false;
    bool m_sizeHeldForMap = false; // sizeable, fixed until its first frame (Wayland)
    std::exception_ptr m_raised;
    QMetaObject::Connection m_ownerHidden;
    QSize m_outerSize;  // invalid: the client size is set directly
    QSize m_fittedFrame; // the frame the client size last made room for
    QPoint m_contentOffset; // of the controls, while the window is larger than the form
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TForm::TBorderIcons)

// A compiled layout names the icons as its .ui does, unqualified.
constexpr TForm::TBorderIcon biNone = TForm::biNone;
constexpr TForm::TBorderIcon biSystemMenu = TForm::biSystemMenu;
constexpr TForm::TBorderIcon biMinimize = TForm::biMinimize;
constexpr TForm::TBorderIcon biMaximize = TForm::biMaximize;

// Frees a form (or any object) and clears the reference.
template <class T> void FreeAndNil(T *&object)
{
    T *o = object;
    object = nullptr;
    delete o;
}

} // namespace TouchDialogs
