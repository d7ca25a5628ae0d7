// The About box, offscreen: texts, buttons, the system-information fallbacks.
#include "gui/frm_about.hpp"
#include "tests/test_support.hpp"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include <map>

using namespace kestrune;

namespace {

struct FakeRegistry : Registry {
    std::map<std::string, RegistryValue> values;  // "key|value" -> value
    std::vector<std::string> asked;
    std::optional<RegistryValue> query(std::uint32_t root, const std::string& key, const std::string& value) override {
        asked.push_back(value);
        if (root != kHkeyLocalMachine) return std::nullopt;
        auto found = values.find(key + "|" + value);
        if (found == values.end()) return std::nullopt;
        return found->second;
    }
};

const std::string kPathKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO|PATH";
const std::string kLocationKey = "SOFTWARE\\Microsoft\\Shared Tools Location|MSINFO";

struct About {
    FakeRegistry registry;
    frmAbout box{nullptr, registry};
    std::vector<std::string> started;
    QStringList messages;
    bool startSucceeds = true;
    About() {
        box.setProgramStarter([this](const std::string& path) {
            started.push_back(path);
            return startSucceeds;
        });
        box.setMessageShower(
            [this](const QString& prompt, const QString& title) { messages << title + ": " + prompt; });
    }
};

}  // namespace

class FrmAboutTest : public QObject {
    Q_OBJECT
private slots:
    void texts();
    void sureClosesOnEnterAndEsc();
    void altSStartsTheToolFromThePathValue();
    void anUnstartablePathDoesNotTryTheLocation();
    void theLocationNeedsMsinfo32();
    void noKeyAndAnEmptyValueShowTheMessage();
    void getKeyValueReadsStringsAndNumbers();
};

void FrmAboutTest::texts() {
    About a;
    QCOMPARE(a.box.windowTitle(), QString("About Kestrune"));
    QCOMPARE(a.box.lblVersion->text(), QString("version 2.1.0"));
    QCOMPARE(a.box.lblTitle->text(), QString("Kestrune"));
    QVERIFY(a.box.lblDescription->toPlainText().startsWith(
        QString::fromUtf8("Description\uFF1A\n1.This program can convert")));
    QCOMPARE(a.box.Label1->text(), QString("Update Date : Jun 9 2003"));
    QCOMPARE(a.box.lblDisclaimer->text().count('\n'), 2);
    QCOMPARE(a.box.cmdOK->text(), QString("sure"));
    QCOMPARE(a.box.cmdSysInfo->text(), QString("SysInfo(&S)..."));
    QVERIFY(a.box.cmdOK->isDefault());
    QCOMPARE(a.box.Picture1->pixmap().size(), QSize(94, 40));
    QCOMPARE(a.box.picIcon->pixmap().size(), QSize(32, 32));
    QCOMPARE(a.box.size(), QSize(382, 237));
}

void FrmAboutTest::sureClosesOnEnterAndEsc() {
    for (int key : {int(Qt::Key_Return), int(Qt::Key_Escape)}) {
        About a;
        a.box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&a.box));
        a.box.cmdOK->setFocus();
        QTest::keyClick(&a.box, Qt::Key(key));
        QVERIFY(!a.box.isVisible());
    }
}

void FrmAboutTest::altSStartsTheToolFromThePathValue() {
    About a;
    a.registry.values[kPathKey] = {kRegistryString, std::string("/usr/bin/sysinfo-tool\0", 22)};
    a.box.show();
    a.box.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&a.box));
    QTest::keyClick(&a.box, Qt::Key_S, Qt::AltModifier);
    // A mnemonic presses the button as a short animation does.
    QTRY_COMPARE(a.started, std::vector<std::string>{"/usr/bin/sysinfo-tool"});
    QVERIFY(a.messages.isEmpty());
    QVERIFY(a.box.isVisible());
}

void FrmAboutTest::anUnstartablePathDoesNotTryTheLocation() {
    About a;
    a.startSucceeds = false;
    a.registry.values[kPathKey] = {kRegistryString, "/nowhere/msinfo"};
    a.registry.values[kLocationKey] = {kRegistryString, "/nowhere"};
    a.box.cmdSysInfo->click();
    QCOMPARE(a.messages, QStringList{"Kestrune: Can not get any info."});
    QCOMPARE(a.registry.asked, std::vector<std::string>{"PATH"});
}

void FrmAboutTest::theLocationNeedsMsinfo32() {
    test::TempDir dir;
    const std::string tools = dir.folder("tools");
    About a;
    a.registry.values[kLocationKey] = {kRegistryString, tools};
    a.box.cmdSysInfo->click();
    QCOMPARE(a.messages, QStringList{"Kestrune: Can not get any info."});
    QVERIFY(a.started.empty());
    test::writeFile(tools + "\\MSINFO32.EXE", "");  // the tool path joins with a backslash
    a.messages.clear();
    a.box.cmdSysInfo->click();
    QCOMPARE(a.started, std::vector<std::string>{tools + "\\MSINFO32.EXE"});
    QVERIFY(a.messages.isEmpty());
}

void FrmAboutTest::noKeyAndAnEmptyValueShowTheMessage() {
    About a;
    a.box.cmdSysInfo->click();
    QCOMPARE(a.messages, QStringList{"Kestrune: Can not get any info."});
    a.registry.values[kPathKey] = {kRegistryString, ""};
    a.box.cmdSysInfo->click();
    QCOMPARE(a.messages.size(), 2);
    QVERIFY(a.started.empty());
}

void FrmAboutTest::getKeyValueReadsStringsAndNumbers() {
    FakeRegistry registry;
    registry.values["k|text"] = {kRegistryString, std::string("abc\0", 4)};
    registry.values["k|plain"] = {kRegistryString, "abc"};
    registry.values["k|number"] = {kRegistryNumber, std::string("\x2a\x01\0\0", 4)};
    registry.values["k|binary"] = {3, "xyz"};
    std::string value = "kept";
    QVERIFY(GetKeyValue(registry, kHkeyLocalMachine, "k", "text", value));
    QCOMPARE(value, std::string("abc"));
    QVERIFY(GetKeyValue(registry, kHkeyLocalMachine, "k", "plain", value));
    QCOMPARE(value, std::string("abc"));
    QVERIFY(GetKeyValue(registry, kHkeyLocalMachine, "k", "number", value));
    QCOMPARE(value, std::string("298"));
    QVERIFY(GetKeyValue(registry, kHkeyLocalMachine, "k", "binary", value));
    QCOMPARE(value, std::string("298"));
    QVERIFY(!GetKeyValue(registry, kHkeyLocalMachine, "k", "missing", value));
    QCOMPARE(value, std::string());
}

QTEST_MAIN(FrmAboutTest)
#include "frm_about_test.moc"
