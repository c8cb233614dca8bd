#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>
#include <deque>
#include <functional>

#include "DialogTestSupport.h"
#include "newsession/FileSizeLimitsDialog.h"
#include "newsession/FtpOptionsDialog.h"
#include "newsession/NewSessionDialog.h"
#include "newsession/SiteLoginDialog.h"
#include "support/BoxAnswerer.h"
#include "support/GuiTestApp.h"
#include "support/Screenshot.h"

namespace {

class NewSessionDialogTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { EnsureGuiApplication(); }

    void SetUp() override {
        form.RunSubDialog = [this](QDialog& dialog) {
            EXPECT_FALSE(script.empty()) << "a sub-dialog opened that the test did not expect";
            if (script.empty()) return int(QDialog::Rejected);
            auto step = script.front();
            script.pop_front();
            return step(dialog);
        };
        form.show();
    }

    // Scripts the next sub-dialog: `drive` sees the fresh dialog and returns its result.
    template <typename Dialog>
    void NextSubDialog(std::function<int(Dialog&)> drive) {
        script.push_back([drive](QDialog& dialog) {
            auto* typed = dynamic_cast<Dialog*>(&dialog);
            EXPECT_NE(typed, nullptr) << "another sub-dialog opened";
            return typed ? drive(*typed) : int(QDialog::Rejected);
        });
    }

    void Type(QLineEdit* edit, const QString& keys) { QTest::keyClicks(edit, keys); }

    RecordedDialogMessages messages;
    NewSessionDialog form;
    std::deque<std::function<int(QDialog&)>> script;
};

TEST_F(NewSessionDialogTest, OpensWithTheDefaults) {
    EXPECT_EQ(form.Settings(), SessionSettings());
    EXPECT_EQ(form.MainURL->text(), "http://www.");
    EXPECT_EQ(form.OtherFileTypes->text(), ".au;.pdf;.asp;.txt");
    EXPECT_EQ(form.MaximumThreads->text(), "10");
    EXPECT_EQ(form.MinimumDiskSpace->text(), "50");
    EXPECT_EQ(form.ProxyPort->text(), "");
    EXPECT_TRUE(form.RetrieveHTMLFiles->isChecked() && form.RetrieveImageFiles->isChecked() &&
                form.SearchEntireSite->isChecked() && form.UseDirectConnection->isChecked());
    EXPECT_FALSE(form.RetrieveZIPEXEFiles->isChecked() || form.RetrieveJavaApplets->isChecked() ||
                 form.RetrieveOtherFiles->isChecked() || form.CollectEMailAddresses->isChecked() ||
                 form.CompleteCopy->isChecked() || form.SearchOnlyCurrentPage->isChecked());
    EXPECT_EQ(form.CompleteCopy->text().toStdString(),
              "Complete copy: style sheets, scripts, fonts and the site's own folders");
    // Below the file kinds.
    form.layout()->activate();
    EXPECT_GT(form.CompleteCopy->mapTo(&form, QPoint()).y(),
              form.GroupRetrieve->mapTo(&form, QPoint(0, form.GroupRetrieve->height())).y() - 1);
    EXPECT_TRUE(form.OKBtn->isEnabled());
    EXPECT_FALSE(form.FtpOptionBtn->isEnabled());
    EXPECT_FALSE(form.OtherFileTypes->isEnabled());
    EXPECT_FALSE(form.ProxyAddress->isEnabled() || form.ProxyPort->isEnabled());
    EXPECT_EQ(form.MainURL->cursorPosition(), 11);
    EXPECT_EQ(form.MaximumThreads->maxLength(), 2);
}

struct AddressCase {
    const char* typed;
    bool currentPageOnly;
    bool okEnabled;
};

// The text stays as typed, whatever it is; the depth and OK follow it.
TEST_F(NewSessionDialogTest, AddressRuleSetsDepthAndOk) {
    const AddressCase cases[] = {
        {"http://www.site.com/page.html", true, true},
        {"http://www.site.com/a.htm?x=1", true, true},
        {"http://www.site.com/", false, true},
        {"http://www.site.com/PAGE.HTML", false, true},
        {"http://", false, false},
        {"HTTP://", false, false},
        {"hTtP://", false, false},
        {"http://a", false, true},
        {"http://www.", false, true},
        {"Enter a valid URL", false, false},
        {"http:/", false, true},  // refused at OK, with the reason
        {"a.htm", true, true},
        {"h", false, true},
        {" ", false, false},
        {"", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        form.MainURL->setText("http://www.placeholder.org/");  // a neutral start
        form.MainURL->setText(c.typed);
        EXPECT_EQ(form.MainURL->text(), c.typed);
        EXPECT_EQ(form.SearchOnlyCurrentPage->isChecked(), c.currentPageOnly);
        EXPECT_EQ(form.SearchEntireSite->isChecked(), !c.currentPageOnly);
        EXPECT_EQ(form.OKBtn->isEnabled(), c.okEnabled);
    }
    EXPECT_EQ(form.MainURL->placeholderText(), "Please enter a valid URL");
    EXPECT_TRUE(messages.Texts.isEmpty());
}

TEST_F(NewSessionDialogTest, DepthFollowsTheAddressOverAManualChoice) {
    form.MainURL->setText("http://www.site.com/");
    form.SearchOnlyCurrentPage->click();
    ASSERT_TRUE(form.SearchOnlyCurrentPage->isChecked());
    Type(form.MainURL, "x");
    EXPECT_TRUE(form.SearchEntireSite->isChecked());
    Type(form.MainURL, "/index.htm");
    EXPECT_TRUE(form.SearchOnlyCurrentPage->isChecked());
    form.MainURL->setText("http://www.site.com/");
    EXPECT_TRUE(form.SearchEntireSite->isChecked());
}

struct OkCase {
    const char* address;
    bool chooseCurrentPage;  // clicked after typing the address
    bool chooseEntireSite;   // clicked after typing the address
    const char* confirmed;
};

TEST_F(NewSessionDialogTest, OkAppendsTheSlashOnlyForTheEntireSite) {
    const OkCase cases[] = {
        {"http://www.site.com", false, false, "http://www.site.com/"},
        {"http://www.site.com/dir/", false, false, "http://www.site.com/dir/"},
        {"http://www.site.com/a.html", false, false, "http://www.site.com/a.html"},
        {"http://www.site.com", true, false, "http://www.site.com"},
        // The appended slash runs the address rule again, which picks the page mode.
        {"http://www.site.com/a.html", false, true, "http://www.site.com/a.html/"},
        // Pasted with a space or a line end around it.
        {" http://www.site.com \n", false, false, "http://www.site.com/"},
        {"http://www.site.com/a.html ", false, false, "http://www.site.com/a.html"},
        // Without a scheme: taken as http.
        {"127.0.0.1:8081", false, false, "http://127.0.0.1:8081/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address);
        NewSessionDialog dialog;
        dialog.MainURL->setText(c.address);
        if (c.chooseCurrentPage) dialog.SearchOnlyCurrentPage->click();
        if (c.chooseEntireSite) dialog.SearchEntireSite->click();
        dialog.OKBtn->click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dialog.Settings().MainURL, c.confirmed);
    }
}

struct NumberCase {
    bool diskField;
    bool atStart;  // typed in front of the text instead of after it
    const char* start;
    const char* typed;
    const char* left;
    int messageCount;
};

TEST_F(NewSessionDialogTest, NumberFieldsCatchANonDigitTypedAtTheEnd) {
    const NumberCase cases[] = {
        {false, false, "", "12", "12", 0},
        {false, false, "", "1a", "", 1},
        {false, false, "", "a", "", 1},
        {false, false, "", "123", "12", 0},  // two characters at most
        {true, false, "", "50x", "", 1},
        {true, false, "", "1024", "1024", 0},
        // Only the last of the first three characters is looked at; what slips through is
        // refused at OK.
        {true, false, "", "500x", "500x", 0},
        {true, true, "50", "x", "x50", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.diskField ? "disk: " : "threads: ") + c.start + "+" + c.typed);
        QLineEdit* field = c.diskField ? form.MinimumDiskSpace : form.MaximumThreads;
        field->setText(c.start);
        messages.Texts.clear();
        if (c.atStart)
            field->home(false);
        else
            field->end(false);
        Type(field, c.typed);
        EXPECT_EQ(field->text(), c.left);
        EXPECT_EQ(messages.Texts.size(), c.messageCount);
        if (c.messageCount) {
            EXPECT_EQ(messages.Texts.front(), "Value must be integer");
        }
    }
}

TEST_F(NewSessionDialogTest, OtherFilesFieldFollowsItsBox) {
    const QColor grey(128, 128, 128);
    EXPECT_EQ(form.OtherFileTypes->palette().color(QPalette::Text), grey);
    form.RetrieveOtherFiles->click();
    EXPECT_TRUE(form.OtherFileTypes->isEnabled());
    EXPECT_NE(form.OtherFileTypes->palette().color(QPalette::Text), grey);
    EXPECT_EQ(form.OtherFileTypes->cursorPosition(), 1);
    form.OtherFileTypes->setText(".pdf;.txt");
    form.RetrieveOtherFiles->click();
    EXPECT_FALSE(form.OtherFileTypes->isEnabled());
    EXPECT_EQ(form.OtherFileTypes->palette().color(QPalette::Text), grey);
    EXPECT_EQ(form.Settings().OtherFileTypes, ".pdf;.txt");  // never changed by the dialog
}

TEST_F(NewSessionDialogTest, ProxyFieldsAndOptionButtonFollowTheirChoices) {
    form.UseProxy->click();
    EXPECT_TRUE(form.ProxyAddress->isEnabled() && form.ProxyPort->isEnabled());
    form.ProxyAddress->setText("127.0.0.1");
    form.ProxyPort->setText("3128");
    EXPECT_TRUE(form.Settings().UseProxy);
    form.UseDirectConnection->click();
    EXPECT_FALSE(form.ProxyAddress->isEnabled() || form.ProxyPort->isEnabled());
    SessionSettings s = form.Settings();
    EXPECT_FALSE(s.UseProxy);
    EXPECT_EQ(s.ProxyAddress, "127.0.0.1");  // kept; the engine ignores it
    EXPECT_EQ(s.ProxyPort, 3128);

    form.RetrieveZIPEXEFiles->click();
    EXPECT_TRUE(form.FtpOptionBtn->isEnabled());
    form.RetrieveZIPEXEFiles->click();
    EXPECT_FALSE(form.FtpOptionBtn->isEnabled());
}

TEST_F(NewSessionDialogTest, CheckBoxesReachTheSettings) {
    using Field = bool SessionSettings::*;
    const std::pair<QCheckBox*, Field> boxes[] = {
        {form.RetrieveHTMLFiles, &SessionSettings::RetrieveHTMLFiles},
        {form.RetrieveImageFiles, &SessionSettings::RetrieveImageFiles},
        {form.RetrieveZIPEXEFiles, &SessionSettings::RetrieveZIPEXEFiles},
        {form.RetrieveJavaApplets, &SessionSettings::RetrieveJavaApplets},
        {form.RetrieveOtherFiles, &SessionSettings::RetrieveOtherFiles},
        {form.CollectEMailAddresses, &SessionSettings::CollectEMailAddresses},
        {form.CompleteCopy, &SessionSettings::CompleteCopy},
    };
    for (auto [box, field] : boxes) {
        SCOPED_TRACE(box->text().toStdString());
        const bool before = form.Settings().*field;
        box->click();
        EXPECT_EQ(form.Settings().*field, !before);
    }
}

TEST_F(NewSessionDialogTest, FtpOptionDialogEnablesOkOnlyWhenWanted) {
    NextSubDialog<FtpOptionsDialog>([](FtpOptionsDialog& d) {
        EXPECT_FALSE(d.OkBtn->isEnabled());
        EXPECT_FALSE(d.CredentialsGroup->isEnabled());
        d.RetrieveFromFtpCheck->click();
        EXPECT_TRUE(d.OkBtn->isEnabled());
        EXPECT_TRUE(d.UserNameEdit->isEnabled() && d.PasswordEdit->isEnabled());
        EXPECT_EQ(d.PasswordEdit->echoMode(), QLineEdit::Password);
        d.RetrieveFromFtpCheck->click();
        EXPECT_FALSE(d.OkBtn->isEnabled());
        d.RetrieveFromFtpCheck->click();
        d.OkBtn->click();  // empty name and password
        return d.result();
    });
    form.RetrieveZIPEXEFiles->click();
    form.FtpOptionBtn->click();
    SessionSettings s = form.Settings();
    EXPECT_TRUE(s.RetrieveFromFTP);
    EXPECT_EQ(s.FTPUserName, "");
    EXPECT_EQ(s.FTPPassword, "");
}

TEST_F(NewSessionDialogTest, CancellingTheReopenedFtpDialogTurnsFtpOff) {
    NextSubDialog<FtpOptionsDialog>([](FtpOptionsDialog& d) {
        d.RetrieveFromFtpCheck->click();
        d.UserNameEdit->setText("anonymous");
        d.PasswordEdit->setText("guest@");
        d.OkBtn->click();
        return d.result();
    });
    NextSubDialog<FtpOptionsDialog>([](FtpOptionsDialog& d) {
        EXPECT_FALSE(d.RetrieveFromFtpCheck->isChecked());  // a fresh dialog, not the accepted one
        EXPECT_EQ(d.UserNameEdit->text(), "");
        EXPECT_EQ(d.PasswordEdit->text(), "");
        d.CancelBtn->click();
        return d.result();
    });
    form.RetrieveZIPEXEFiles->click();
    form.FtpOptionBtn->click();
    ASSERT_TRUE(form.Settings().RetrieveFromFTP);
    EXPECT_EQ(form.Settings().FTPUserName, "anonymous");
    form.FtpOptionBtn->click();
    EXPECT_FALSE(form.Settings().RetrieveFromFTP);
}

struct HttpCase {
    const char* user;
    const char* password;
    bool accept;
    bool authenticationAfter;
    const char* userAfter;
};

TEST_F(NewSessionDialogTest, HttpDialogNeedsAUserName) {
    // Applied one after the other to the same New Session dialog.
    const HttpCase steps[] = {
        {"", "secret", true, false, ""},  // a password alone turns nothing on
        {"alice", "secret", true, true, "alice"},
        {"bob", "other", false, true, "alice"},  // Cancel keeps what was accepted
        {"", "", true, false, ""},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(std::string(step.user) + "/" + step.password);
        NextSubDialog<SiteLoginDialog>([&step](SiteLoginDialog& d) {
            EXPECT_EQ(d.UserNameEdit->text(), "");
            EXPECT_EQ(d.PasswordEdit->text(), "");
            EXPECT_EQ(d.PasswordEdit->echoMode(), QLineEdit::Password);
            d.UserNameEdit->setText(step.user);
            d.PasswordEdit->setText(step.password);
            (step.accept ? d.OkBtn : d.CancelBtn)->click();
            return d.result();
        });
        form.SiteLoginBtn->click();
        SessionSettings s = form.Settings();
        EXPECT_EQ(s.UseHTTPAuthentication, step.authenticationAfter);
        EXPECT_EQ(s.HTTPUserName, step.userAfter);
    }
}

const std::vector<FileSizeLimit> DefaultLimits = {
    {".html", 200}, {".htm", 200},      {".gif", 500},      {".jpg", 500},     {".zip", 5000},
    {".exe", 5000}, {"", std::nullopt}, {"", std::nullopt}, {"", std::nullopt}};

TEST_F(NewSessionDialogTest, FileSizeRowsAreTakenOnlyFromACheckedAcceptedDialog) {
    // OK without the box: impossible, and nothing is taken even if the dialog says Accepted.
    NextSubDialog<FileSizeLimitsDialog>([](FileSizeLimitsDialog& d) {
        EXPECT_FALSE(d.OkBtn->isEnabled());
        EXPECT_FALSE(d.LimitsGrid->isEnabled() || d.NewTypeBtn->isEnabled());
        return int(QDialog::Accepted);
    });
    form.FileSizeLimitsBtn->click();
    EXPECT_TRUE(form.Settings().FileSizeLimits.empty());

    NextSubDialog<FileSizeLimitsDialog>([](FileSizeLimitsDialog& d) {
        d.LimitSizesCheck->click();
        EXPECT_TRUE(d.OkBtn->isEnabled() && d.LimitsGrid->isEnabled());
        d.OkBtn->click();
        return d.result();
    });
    form.FileSizeLimitsBtn->click();
    EXPECT_EQ(form.Settings().FileSizeLimits, DefaultLimits);

    // A second acceptance replaces the first; the dialog opens with the defaults again.
    NextSubDialog<FileSizeLimitsDialog>([](FileSizeLimitsDialog& d) {
        EXPECT_EQ(d.Limits(), DefaultLimits);
        d.LimitSizesCheck->click();
        d.LimitsGrid->item(0, 0)->setText(".GIF");
        d.LimitsGrid->item(0, 1)->setText("30");
        d.NewTypeBtn->click();
        d.LimitsGrid->item(9, 0)->setText(".pdf");
        d.LimitsGrid->item(9, 1)->setText("100");
        d.OkBtn->click();
        return d.result();
    });
    form.FileSizeLimitsBtn->click();
    std::vector<FileSizeLimit> expected = DefaultLimits;
    expected[0] = {".gif", 30};
    expected.push_back({".pdf", 100});
    EXPECT_EQ(form.Settings().FileSizeLimits, expected);

    // Cancel keeps what was accepted before.
    NextSubDialog<FileSizeLimitsDialog>([](FileSizeLimitsDialog& d) {
        d.LimitSizesCheck->click();
        d.LimitsGrid->item(0, 1)->setText("1");
        d.CancelBtn->click();
        return d.result();
    });
    form.FileSizeLimitsBtn->click();
    EXPECT_EQ(form.Settings().FileSizeLimits, expected);
}

// The same checks with the real boxes and the real pause, the sub-dialogs run as the program runs
// them (exec): a fault inside a box's own event loop shows up here under the sanitizers.
class NewSessionDialogWithRealBoxes : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { EnsureGuiApplication(); }
    void SetUp() override {
        form.show();
        form.activateWindow();
    }

    NewSessionDialog form;
    BoxAnswerer answers;
};

struct RealNumberCase {
    bool diskField;
    const char* typed;
    const char* left;
    int boxes;
};

TEST_F(NewSessionDialogWithRealBoxes, NumberFieldsAnswerALetterWithTheBox) {
    const RealNumberCase cases[] = {
        {false, "1a", "", 1},
        {false, "a", "", 1},
        {false, "7", "7", 0},
        {true, "50x", "", 1},
        {true, "2048", "2048", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        QLineEdit* field = c.diskField ? form.MinimumDiskSpace : form.MaximumThreads;
        field->clear();
        field->setFocus();
        const std::size_t before = answers.Texts.size();
        QTest::keyClicks(field, c.typed);
        if (c.boxes) {
            ASSERT_TRUE(answers.WaitForBoxes(before + c.boxes));
            EXPECT_EQ(answers.Texts.back(), "Value must be integer");
        }
        QCoreApplication::processEvents();
        EXPECT_EQ(answers.Texts.size(), before + c.boxes);
        EXPECT_EQ(field->text(), c.left);
    }
    // The field still takes digits after the box.
    form.MaximumThreads->clear();
    form.MaximumThreads->setFocus();
    QTest::keyClicks(form.MaximumThreads, "12");
    EXPECT_EQ(form.MaximumThreads->text(), "12");
}

struct TypedAddressCase {
    const char* name;
    bool eraseFirst;  // Backspace until the field is empty, instead of typing over the selection
    const char* typed;
};

class TypingTheAddress : public NewSessionDialogWithRealBoxes,
                         public ::testing::WithParamInterface<TypedAddressCase> {};

// Real keys over the selected address, or into the emptied field: the field holds exactly what
// was typed, at once, and no box came.
TEST_P(TypingTheAddress, KeepsEveryKeyAndTheTypedScheme) {
    form.MainURL->setFocus();
    if (GetParam().eraseFirst) {
        form.MainURL->end(false);
        for (int n = form.MainURL->text().size(); n > 0; --n)
            QTest::keyClick(form.MainURL, Qt::Key_Backspace);
        EXPECT_EQ(form.MainURL->text(), "");
        EXPECT_FALSE(form.OKBtn->isEnabled());
        SaveScreenshot(form, "new-session-address-emptied");
    } else {
        QTest::keyClick(form.MainURL, Qt::Key_A, Qt::ControlModifier);
        ASSERT_EQ(form.MainURL->selectedText(), "http://www.");
    }
    QTest::keyClicks(form.MainURL, GetParam().typed);
    EXPECT_EQ(form.MainURL->text(), GetParam().typed);
    EXPECT_TRUE(form.OKBtn->isEnabled());
    EXPECT_NE(form.MainURL->palette().color(QPalette::Text), QColor(Qt::red));
    QCoreApplication::processEvents();
    EXPECT_TRUE(answers.Texts.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Dialog, TypingTheAddress,
    ::testing::Values(TypedAddressCase{"OverTheSelection", false, "http://127.0.0.1:8081/"},
                      TypedAddressCase{"HttpsOverTheSelection", false, "https://a.org/"},
                      TypedAddressCase{"HostOnlyOverTheSelection", false, "127.0.0.1:8081/"},
                      TypedAddressCase{"IntoTheEmptiedField", true, "http://127.0.0.1:8081/"}),
    [](const auto& info) { return std::string(info.param.name); });

struct RefusedAddressCase {
    const char* name;
    const char* typed;
    const char* told;
};

class RefusedAtOk : public NewSessionDialogWithRealBoxes,
                    public ::testing::WithParamInterface<RefusedAddressCase> {};

// OK with an address that cannot start a copy says why in a box; the dialog stays open with the
// address as typed.
TEST_P(RefusedAtOk, SaysWhyAndStaysOpen) {
    form.MainURL->setText(GetParam().typed);
    ASSERT_TRUE(form.OKBtn->isEnabled());
    answers.OnBox = [name = QString(GetParam().name)](QMessageBox& box) {
        SaveScreenshot(box, "new-session-refused-" + name);
    };
    form.OKBtn->click();
    ASSERT_TRUE(answers.WaitForBoxes(1));
    EXPECT_EQ(answers.Texts, std::vector<std::string>{GetParam().told});
    EXPECT_TRUE(form.isVisible());
    EXPECT_NE(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.MainURL->text(), GetParam().typed);
    // Mended, the address is taken.
    form.MainURL->setText("http://127.0.0.1:8081/");
    form.OKBtn->click();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(answers.Texts.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Dialog, RefusedAtOk,
    ::testing::Values(RefusedAddressCase{"MistypedScheme", "htp://host/",
                                         "'htp://host/' is not an http or https address"},
                      RefusedAddressCase{"File", "file:///etc/passwd",
                                         "'file:///etc/passwd' is not an http or https address"},
                      RefusedAddressCase{
                          "Ftp", "ftp://127.0.0.1/pub/",
                          "'ftp://127.0.0.1/pub/' is not an http or https address: a copy starts "
                          "from a web page, and takes the files of FTP sites from its links"},
                      RefusedAddressCase{"NoHost", "https://", "'https://' names no host"}),
    [](const auto& info) { return std::string(info.param.name); });

struct NumbersAtOkCase {
    const char* name;
    bool proxy;
    const char* threads;
    const char* disk;
    const char* port;
    const char* told;  // nullptr: taken
    SessionSettings taken;
};

SessionSettings Numbers(int threads, int disk, int port) {
    SessionSettings s;
    s.MaximumThreads = threads;
    s.MinimumDiskSpace = disk;
    s.ProxyPort = port;
    return s;
}

class NumbersAtOk : public NewSessionDialogWithRealBoxes,
                    public ::testing::WithParamInterface<NumbersAtOkCase> {};

// What slips past the check while typing (or was pasted) is refused at OK with the text named;
// the dialog stays open. An empty field is its default; the port counts only with the proxy.
TEST_P(NumbersAtOk, AreTakenAsNumbersOrRefused) {
    const NumbersAtOkCase& c = GetParam();
    form.MainURL->setText("http://127.0.0.1:8081/");
    if (c.proxy) form.UseProxy->click();
    form.MaximumThreads->setText(c.threads);
    form.MinimumDiskSpace->setText(c.disk);
    form.ProxyPort->setText(c.port);
    answers.OnBox = [name = QString(c.name)](QMessageBox& box) {
        SaveScreenshot(box, "new-session-number-refused-" + name);
    };
    form.OKBtn->click();
    if (!c.told) {
        EXPECT_EQ(form.result(), QDialog::Accepted);
        EXPECT_TRUE(answers.Texts.empty());
        const SessionSettings s = form.Settings();
        EXPECT_EQ(s.MaximumThreads, c.taken.MaximumThreads);
        EXPECT_EQ(s.MinimumDiskSpace, c.taken.MinimumDiskSpace);
        EXPECT_EQ(s.ProxyPort, c.taken.ProxyPort);
        return;
    }
    ASSERT_TRUE(answers.WaitForBoxes(1));
    EXPECT_EQ(answers.Texts, std::vector<std::string>{c.told});
    EXPECT_TRUE(form.isVisible());
    EXPECT_NE(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.MinimumDiskSpace->text(), c.disk);
    EXPECT_EQ(form.ProxyPort->text(), c.port);
}

INSTANTIATE_TEST_SUITE_P(
    Dialog, NumbersAtOk,
    ::testing::Values(
        NumbersAtOkCase{"Typed", true, "4", "1024", "3128", nullptr, Numbers(4, 1024, 3128)},
        NumbersAtOkCase{"EmptyAreDefaults", true, "", "", "", nullptr, Numbers(10, 50, 0)},
        NumbersAtOkCase{"PortWithoutProxy", false, "4", "50", "80x", nullptr, Numbers(4, 50, 0)},
        NumbersAtOkCase{
            "DiskWithALetter", false, "4", "500x", "", "'500x' is not a valid integer value", {}},
        NumbersAtOkCase{"DiskTooLarge",
                        false,
                        "4",
                        "99999999999",
                        "",
                        "'99999999999' is not a valid integer value",
                        {}},
        NumbersAtOkCase{
            "PortWithALetter", true, "4", "50", "80x", "'80x' is not a valid integer value", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(NewSessionDialogWithRealBoxes, SizeGridOfTheRealSubDialogAnswersALetterAndIsTaken) {
    bool driven = false;
    QTimer::singleShot(0, [this, &driven] {
        FileSizeLimitsDialog* d = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* found = qobject_cast<FileSizeLimitsDialog*>(w); found && found->isVisible())
                d = found;
        if (!d) return;  // the test fails below: the dialog never closes by itself
        d->LimitSizesCheck->click();
        QTableWidgetItem* item = d->LimitsGrid->item(2, 1);
        d->LimitsGrid->setCurrentItem(item);
        auto* editor = qobject_cast<QLineEdit*>(
            d->LimitsGrid->indexWidget(d->LimitsGrid->indexFromItem(item)));
        if (editor) {
            editor->setFocus();
            editor->selectAll();
            QTest::keyClicks(editor, "9q");
            answers.WaitForBoxes(1);
        }
        d->OkBtn->click();
        driven = true;
    });
    form.FileSizeLimitsBtn->click();  // runs the dialog's own event loop
    ASSERT_TRUE(driven);
    ASSERT_EQ(answers.Texts, std::vector<std::string>{"Value must be integer"});
    std::vector<FileSizeLimit> expected = DefaultLimits;
    expected[2].Kilobytes = 200;
    EXPECT_EQ(form.Settings().FileSizeLimits, expected);
}

}  // namespace
