// The shared on-screen keyboard on small forms built in code and never shown:
// the case transitions of each kind of form, the captions that follow them,
// what reaches the text, and PostText's messages.
#include "support/OnScreenKeyboard.h"
#include "frame/Frame.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Form.h"
#include "platform/rtl/SysUtils.h"
#include "tests/common/TestSupport.h"

#include <QTest>

using namespace TouchDialogs;

namespace {

enum class Kind { Alphanumeric, Search, List };

KeyboardPolicy policyOf(Kind kind)
{
    switch (kind) {
    case Kind::Alphanumeric: return KeyboardPolicy::alphanumeric();
    case Kind::Search: return KeyboardPolicy::search();
    case Kind::List: return KeyboardPolicy::list();
    }
    return {};
}

// A keyboard form as the real ones are wired: the handlers delegate, the
// key-press handler asks the keyboard, and on the message route the key-down
// handler edits the text (8 removes a character, 46 clears).
class KeyboardForm : public TForm {
public:
    explicit KeyboardForm(Kind kind) : keyboard(*this, policyOf(kind))
    {
        const TNotifyEvent character = [this](QObject *s) { keyboard.spd1Click(s); };
        for (char16_t c = u'A'; c <= u'Z'; ++c)
            addKey(QStringLiteral("spd") + QChar(c), c, character);
        addKey(QStringLiteral("spd1"), u'1', character);
        addKey(QStringLiteral("spdVirgula"), u',', character);
        addKey(QStringLiteral("spdCCdil"), 0, [this](QObject *s) { keyboard.spdCCdilClick(s); });
        addKey(QStringLiteral("spdShift"), 0, [this](QObject *s) { keyboard.spdShiftClick(s); });
        addKey(QStringLiteral("spdCapsLock"), 0, [this](QObject *s) { keyboard.spdCapsLockClick(s); });
        label = new TLabel(this);
        label->setObjectName(QStringLiteral("lblDescricao"));
        OnKeyPress = [this](QObject *, QChar &Key) { FormKeyPress(Key); };
        OnKeyDown = [this](QObject *, WORD &Key, TShiftState) {
            messages << QStringLiteral("down %1").arg(Key);
            if (Key == VK_BACK)
                setText(text().left(text().size() - 1));
            else if (Key == VK_DELETE)
                setText(QString());
        };
    }

    void FormKeyPress(QChar Key)
    {
        messages << QStringLiteral("char %1").arg(Key.unicode());
        const auto typed = keyboard.keyPress(Key, text().size());
        if (!typed.accepted)
            return;
        if (typed.releaseShift)
            keyboard.spdShiftClick(nullptr);
        setText(text() + typed.character);
    }

    QString text() const { return label->Caption(); }
    void setText(const QString &t) { label->setCaption(t); }
    TSpeedButton *key(const QString &name) const { return component<TSpeedButton>(name); }

    QString captions() const { return testing::letterCaptions(this); }

    OnScreenKeyboard keyboard;
    TLabel *label = nullptr;
    QStringList messages;

private:
    void addKey(const QString &name, int tag, TNotifyEvent onClick)
    {
        auto *b = new TSpeedButton(this);
        b->setObjectName(name);
        b->setTag(tag);
        b->OnClick = std::move(onClick);
    }
};

} // namespace

class tst_OnScreenKeyboard : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { Initialize(); }
    void cleanupTestCase() { Finalize(); }

    void transitions_data();
    void transitions();
    void acceptedCharacters_data();
    void acceptedCharacters();
    void lengthLimitKeepsShiftArmed();
    void backspaceAndClear_data();
    void backspaceAndClear();
    void postText_data();
    void postText();
    void captionRewriteSkipsMissingKeys();
};

// One row: the form kind, the state before, the key, then the state after,
// the captions after and the text typed.
void tst_OnScreenKeyboard::transitions_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("caps");
    QTest::addColumn<bool>("shift");
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("capsAfter");
    QTest::addColumn<bool>("shiftAfter");
    QTest::addColumn<bool>("upperAfter");
    QTest::addColumn<QString>("typed");

    struct Row {
        const char *state;
        bool caps, shift;
        const char *key;
        bool capsAfter, shiftAfter, upperAfter;
        const char *typed;
    };
    // Lower and Shift behave alike on every form.
    const Row common[] = {
        {"Lower", false, false, "spdShift", false, true, true, ""},
        {"Lower", false, false, "spdCapsLock", true, false, true, ""},
        {"Lower", false, false, "spdQ", false, false, false, "q"},
        {"Lower", false, false, "spd1", false, false, false, "1"},
        {"Lower", false, false, "spdCCdil", false, false, false, "\u00E7"},
        {"Shift", false, true, "spdShift", false, false, false, ""},
        {"Shift", false, true, "spdCapsLock", true, false, true, ""},
        {"Shift", false, true, "spdQ", false, false, false, "Q"},
        {"Shift", false, true, "spd1", false, false, false, "1"},
        {"Shift", false, true, "spdVirgula", false, false, false, ","},
        {"Shift", false, true, "spdCCdil", false, false, false, "\u00C7"},
        {"Caps", true, false, "spdCapsLock", false, false, false, ""},
        {"Caps", true, false, "spdQ", true, false, true, "Q"},
        {"Caps", true, false, "spd1", true, false, true, "1"},
        {"Caps", true, false, "spdCCdil", true, false, true, "\u00C7"},
    };
    const Row threeState[] = {
        {"Caps", true, false, "spdShift", true, false, true, ""},
    };
    const Row fourState[] = {
        {"Caps", true, false, "spdShift", true, true, false, ""},
        {"Caps+Shift", true, true, "spdShift", true, false, true, ""},
        {"Caps+Shift", true, true, "spdCapsLock", false, false, false, ""},
        {"Caps+Shift", true, true, "spdQ", true, false, true, "q"},
        {"Caps+Shift", true, true, "spd1", true, false, true, "1"},
        {"Caps+Shift", true, true, "spdCCdil", true, false, true, "\u00E7"},
    };
    auto add = [](Kind kind, const char *form, const Row &r) {
        QTest::addRow("%s: %s, %s", form, r.state, r.key)
            << int(kind) << r.caps << r.shift << QString::fromLatin1(r.key) << r.capsAfter << r.shiftAfter
            << r.upperAfter << QString::fromUtf8(r.typed);
    };
    for (const auto &[kind, form] : {std::pair{Kind::Alphanumeric, "alphanumeric"}, std::pair{Kind::Search, "search"},
                                     std::pair{Kind::List, "list"}}) {
        for (const Row &r : common)
            add(kind, form, r);
        if (kind == Kind::List)
            for (const Row &r : fourState)
                add(kind, form, r);
        else
            for (const Row &r : threeState)
                add(kind, form, r);
    }
}

void tst_OnScreenKeyboard::transitions()
{
    QFETCH(int, kind);
    QFETCH(bool, caps);
    QFETCH(bool, shift);
    QFETCH(QString, key);
    QFETCH(bool, capsAfter);
    QFETCH(bool, shiftAfter);
    QFETCH(bool, upperAfter);
    QFETCH(QString, typed);

    KeyboardForm form(static_cast<Kind>(kind));
    form.keyboard.boCapsLock = caps;
    form.keyboard.boShift = shift;
    form.keyboard.rewriteCaptions(form.keyboard.lettersUpper());

    form.key(key)->Click();

    QCOMPARE(form.keyboard.boCapsLock, capsAfter);
    QCOMPARE(form.keyboard.boShift, shiftAfter);
    QCOMPARE(form.captions(), upperAfter ? testing::kUpperLetters : testing::kLowerLetters);
    QCOMPARE(form.text(), typed);
}

void tst_OnScreenKeyboard::acceptedCharacters_data()
{
    QTest::addColumn<QChar>("character");
    QTest::addColumn<bool>("alphanumeric");
    QTest::addColumn<bool>("searchAndList");

    QTest::newRow("space") << QChar(u' ') << true << true;
    QTest::newRow("comma") << QChar(u',') << true << true;
    QTest::newRow("minus") << QChar(u'-') << true << false;
    QTest::newRow("backslash") << QChar(u'\\') << true << false;
    QTest::newRow("underscore") << QChar(u'_') << true << false;
    QTest::newRow("slash") << QChar(u'/') << true << true;
    QTest::newRow("C-cedilla") << QChar(0xC7) << true << true;
    QTest::newRow("c-cedilla") << QChar(0xE7) << true << true;
    QTest::newRow("Enter") << QChar(13) << false << false;
    QTest::newRow("Backspace") << QChar(8) << false << false;
    QTest::newRow("Escape") << QChar(27) << false << false;
    QTest::newRow("e-acute") << QChar(0xE9) << false << false;
    QTest::newRow("plus") << QChar(u'+') << false << false;
    QTest::newRow("quote") << QChar(u'\'') << false << false;
}

void tst_OnScreenKeyboard::acceptedCharacters()
{
    QFETCH(QChar, character);
    QFETCH(bool, alphanumeric);
    QFETCH(bool, searchAndList);

    QCOMPARE(KeyboardPolicy::alphanumericCharacters.size(), 71);
    QCOMPARE(KeyboardPolicy::searchCharacters.size(), 68);
    for (Kind kind : {Kind::Alphanumeric, Kind::Search, Kind::List}) {
        KeyboardForm form(kind);
        form.FormKeyPress(character);
        const bool expected = kind == Kind::Alphanumeric ? alphanumeric : searchAndList;
        QCOMPARE(form.text(), expected ? QString(LowCase(character)) : QString());
    }
}

void tst_OnScreenKeyboard::lengthLimitKeepsShiftArmed()
{
    KeyboardForm form(Kind::Alphanumeric);
    form.setText(QString(50, u'x'));
    form.key(QStringLiteral("spdShift"))->Click();
    QVERIFY(form.keyboard.boShift);

    form.key(QStringLiteral("spdQ"))->Click();
    QCOMPARE(form.text().size(), 50);
    QVERIFY(form.keyboard.boShift);
    QCOMPARE(form.captions(), testing::kUpperLetters);

    form.keyboard.spdBackSpaceClick(nullptr);
    form.key(QStringLiteral("spdQ"))->Click();
    QCOMPARE(form.text(), QString(49, u'x') + u'Q');
    QVERIFY(!form.keyboard.boShift);

    // The limit a search form sets for its field.
    KeyboardForm search(Kind::Search);
    search.keyboard.setMaxLength(2);
    for (int i = 0; i < 3; ++i)
        search.key(QStringLiteral("spd1"))->Click();
    QCOMPARE(search.text(), QStringLiteral("11"));
}

void tst_OnScreenKeyboard::backspaceAndClear_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("messages");

    const QStringList none;
    QTest::newRow("alphanumeric backspace") << int(Kind::Alphanumeric) << "abc" << "spdBackSpace" << "ab" << none;
    QTest::newRow("alphanumeric backspace empty") << int(Kind::Alphanumeric) << "" << "spdBackSpace" << "" << none;
    QTest::newRow("alphanumeric clear") << int(Kind::Alphanumeric) << "abc" << "spdLimpar" << "" << none;
    QTest::newRow("search backspace") << int(Kind::Search) << "abc" << "spdBackSpace" << "ab" << QStringList{"down 8"};
    QTest::newRow("search clear") << int(Kind::Search) << "abc" << "spdLimpar" << "" << QStringList{"down 46"};
    QTest::newRow("list backspace") << int(Kind::List) << "abc" << "spdBackSpace" << "ab" << QStringList{"down 8"};
    QTest::newRow("list clear") << int(Kind::List) << "abc" << "spdLimpar" << "" << QStringList{"down 46"};
}

void tst_OnScreenKeyboard::backspaceAndClear()
{
    QFETCH(int, kind);
    QFETCH(QString, start);
    QFETCH(QString, key);
    QFETCH(QString, text);
    QFETCH(QStringList, messages);

    KeyboardForm form(static_cast<Kind>(kind));
    form.setText(start);
    form.keyboard.boShift = true;
    if (key == QLatin1String("spdBackSpace"))
        form.keyboard.spdBackSpaceClick(nullptr);
    else
        form.keyboard.spdLimparClick(nullptr);
    QCOMPARE(form.text(), text);
    QCOMPARE(form.messages, messages);
    QVERIFY(form.keyboard.boShift); // the case state is not touched
}

void tst_OnScreenKeyboard::postText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("enter");
    QTest::addColumn<bool>("asChar");
    QTest::addColumn<QStringList>("messages");

    QTest::newRow("empty") << "" << false << true << QStringList();
    QTest::newRow("empty, as key-downs") << "" << false << false << QStringList();
    QTest::newRow("empty with Enter") << "" << true << true << QStringList{"down 13"};
    QTest::newRow("characters") << "aZ1" << false << true << QStringList{"char 97", "char 90", "char 49"};
    QTest::newRow("characters and Enter") << "a" << true << true << QStringList{"char 97", "down 13"};
    QTest::newRow("c-cedilla is one byte") << "\u00E7" << false << true << QStringList{"char 231"};
    QTest::newRow("dot as key-down is Delete") << "." << false << false << QStringList{"down 46"};
    QTest::newRow("code 8 as key-down is Backspace") << "\b" << false << false << QStringList{"down 8"};
}

void tst_OnScreenKeyboard::postText()
{
    QFETCH(QString, text);
    QFETCH(bool, enter);
    QFETCH(bool, asChar);
    QFETCH(QStringList, messages);

    KeyboardForm form(Kind::Search);
    form.keyboard.PostText(text, enter, asChar);
    QCOMPARE(form.messages, messages);
}

void tst_OnScreenKeyboard::captionRewriteSkipsMissingKeys()
{
    KeyboardForm form(Kind::Alphanumeric);
    delete form.key(QStringLiteral("spdM"));
    form.key(QStringLiteral("spdCapsLock"))->Click();
    QCOMPARE(form.key(QStringLiteral("spdL"))->Caption(), QStringLiteral("L"));
    QCOMPARE(form.key(QStringLiteral("spdN"))->Caption(), QStringLiteral("N"));
}

QTEST_MAIN(tst_OnScreenKeyboard)
#include "tst_OnScreenKeyboard.moc"
