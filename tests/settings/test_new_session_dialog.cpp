#include <gtest/gtest.h>

#include <QCheckBox>
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
#include "settings/TFTPAuthenticationForm.h"
#include "settings/THTTPAuthenticationForm.h"
#include "settings/TInitialForm.h"
#include "settings/FileSizeLimitsDialog.h"
#include "support/GuiTestApp.h"

namespace {

// What the address field looked like while the one-second pause held it.
struct PauseSeen {
    int Milliseconds;
    QString Text;
    QColor Colour;
};

class NewSessionDialog : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { EnsureGuiApplication(); }

    void SetUp() override {
        form.Pause = [this](int ms) {
            pauses.push_back(
                {ms, form.MainURL->text(), form.MainURL->palette().color(QPalette::Text)});
        };
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
    TInitialForm form;
    std::vector<PauseSeen> pauses;
    std::deque<std::function<int(QDialog&)>> script;
};

TEST_F(NewSessionDialog, OpensWithTheDefaults) {
    NewSessionSettings defaults;
    NewSessionSettings shown = form.Settings();
    EXPECT_EQ(shown.MainURL, defaults.MainURL);
    EXPECT_EQ(shown.TOtherFiles, defaults.TOtherFiles);
    EXPECT_EQ(shown.TMaximumThreads, "10");
    EXPECT_EQ(shown.TMinimumDiskSpace, "50");
    EXPECT_TRUE(shown.CHTMLFiles && shown.CImageFiles && shown.RSearchEntireSite);
    EXPECT_FALSE(shown.CZIPEXEFiles || shown.CJavaApplets || shown.COtherFiles ||
                 shown.CEMailAddress || shown.RProxyConnection);
    EXPECT_TRUE(shown.ChosenFileSizeLimits.empty());
    EXPECT_FALSE(shown.ChosenRetrieveFromFTP || shown.ChosenHTTPAuthentication);
    EXPECT_TRUE(form.OKBtn->isEnabled());
    EXPECT_FALSE(form.OptionBtn->isEnabled());
    EXPECT_FALSE(form.TOtherFiles->isEnabled());
    EXPECT_FALSE(form.TProxyAddress->isEnabled() || form.TProxyPort->isEnabled());
    EXPECT_EQ(form.MainURL->cursorPosition(), 11);
    EXPECT_EQ(form.TMaximumThreads->maxLength(), 2);
}

struct AddressCase {
    const char* typed;
    const char* finalText;
    bool currentPageOnly;
    bool okEnabled;
    bool warned;  // "Please enter a valid URL" held for a second
};

TEST_F(NewSessionDialog, AddressRuleSetsDepthAndOk) {
    const AddressCase cases[] = {
        {"http://www.site.com/page.html", "http://www.site.com/page.html", true, true, false},
        {"http://www.site.com/a.htm?x=1", "http://www.site.com/a.htm?x=1", true, true, false},
        {"http://www.site.com/", "http://www.site.com/", false, true, false},
        {"http://www.site.com/PAGE.HTML", "http://www.site.com/PAGE.HTML", false, true, false},
        {"http://", "http://", false, false, false},
        {"HTTP://", "HTTP://", false, false, false},
        {"hTtP://", "hTtP://", false, false, false},
        {"http://a", "http://a", false, true, false},
        {"http://www.", "http://www.", false, true, false},
        {"Enter a valid URL", "Enter a valid URL", false, false, false},
        {"http:/", "http://", false, false, true},
        {"a.htm", "http://", false, false, true},
        {"", "http://", false, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        pauses.clear();
        form.MainURL->setText("http://www.placeholder.org/");  // a neutral start
        form.MainURL->setText(c.typed);
        EXPECT_EQ(form.MainURL->text(), c.finalText);
        EXPECT_EQ(form.RSearchOnlyCurrentPage->isChecked(), c.currentPageOnly);
        EXPECT_EQ(form.RSearchEntireSite->isChecked(), !c.currentPageOnly);
        EXPECT_EQ(form.OKBtn->isEnabled(), c.okEnabled);
        ASSERT_EQ(pauses.size(), c.warned ? 1u : 0u);
        if (c.warned) {
            EXPECT_EQ(pauses[0].Milliseconds, 1000);
            EXPECT_EQ(pauses[0].Text, "Please enter a valid URL");
            EXPECT_EQ(pauses[0].Colour, QColor(Qt::red));
            EXPECT_NE(form.MainURL->palette().color(QPalette::Text), QColor(Qt::red));
            EXPECT_EQ(form.MainURL->cursorPosition(), 7);
        }
    }
    EXPECT_TRUE(messages.Texts.isEmpty());
}

TEST_F(NewSessionDialog, DeletingIntoHttpColonSlashIsPutBack) {
    form.MainURL->setText("http://");
    form.MainURL->end(false);
    QTest::keyClick(form.MainURL, Qt::Key_Backspace);
    ASSERT_EQ(pauses.size(), 1u);
    EXPECT_EQ(form.MainURL->text(), "http://");
    EXPECT_FALSE(form.OKBtn->isEnabled());
    // One more character after it makes the address acceptable.
    Type(form.MainURL, "x");
    EXPECT_EQ(form.MainURL->text(), "http://x");
    EXPECT_TRUE(form.OKBtn->isEnabled());
}

TEST_F(NewSessionDialog, DepthFollowsTheAddressOverAManualChoice) {
    form.MainURL->setText("http://www.site.com/");
    form.RSearchOnlyCurrentPage->click();
    ASSERT_TRUE(form.RSearchOnlyCurrentPage->isChecked());
    Type(form.MainURL, "x");
    EXPECT_TRUE(form.RSearchEntireSite->isChecked());
    Type(form.MainURL, "/index.htm");
    EXPECT_TRUE(form.RSearchOnlyCurrentPage->isChecked());
    form.MainURL->setText("http://www.site.com/");
    EXPECT_TRUE(form.RSearchEntireSite->isChecked());
}

struct OkCase {
    const char* address;
    bool chooseCurrentPage;  // clicked after typing the address
    bool chooseEntireSite;   // clicked after typing the address
    const char* confirmed;
};

TEST_F(NewSessionDialog, OkAppendsTheSlashOnlyForTheEntireSite) {
    const OkCase cases[] = {
        {"http://www.site.com", false, false, "http://www.site.com/"},
        {"http://www.site.com/dir/", false, false, "http://www.site.com/dir/"},
        {"http://www.site.com/a.html", false, false, "http://www.site.com/a.html"},
        {"http://www.site.com", true, false, "http://www.site.com"},
        // The appended slash runs the address rule again, which picks the page mode.
        {"http://www.site.com/a.html", false, true, "http://www.site.com/a.html/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address);
        TInitialForm dialog;
        dialog.Pause = [](int) {};
        dialog.MainURL->setText(c.address);
        if (c.chooseCurrentPage) dialog.RSearchOnlyCurrentPage->click();
        if (c.chooseEntireSite) dialog.RSearchEntireSite->click();
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

TEST_F(NewSessionDialog, NumberFieldsCatchANonDigitTypedAtTheEnd) {
    const NumberCase cases[] = {
        {false, false, "", "12", "12", 0},
        {false, false, "", "1a", "", 1},
        {false, false, "", "a", "", 1},
        {false, false, "", "123", "12", 0},  // two characters at most
        {true, false, "", "50x", "", 1},
        {true, false, "", "1024", "1024", 0},
        // Only the last of the first three characters is looked at; what slips through is
        // refused when the session starts.
        {true, false, "", "500x", "500x", 0},
        {true, true, "50", "x", "x50", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.diskField ? "disk: " : "threads: ") + c.start + "+" + c.typed);
        QLineEdit* field = c.diskField ? form.TMinimumDiskSpace : form.TMaximumThreads;
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

TEST_F(NewSessionDialog, OtherFilesFieldFollowsItsBox) {
    const QColor grey(128, 128, 128);
    EXPECT_EQ(form.TOtherFiles->palette().color(QPalette::Text), grey);
    form.COtherFiles->click();
    EXPECT_TRUE(form.TOtherFiles->isEnabled());
    EXPECT_NE(form.TOtherFiles->palette().color(QPalette::Text), grey);
    EXPECT_EQ(form.TOtherFiles->cursorPosition(), 1);
    form.TOtherFiles->setText(".pdf;.txt");
    form.COtherFiles->click();
    EXPECT_FALSE(form.TOtherFiles->isEnabled());
    EXPECT_EQ(form.TOtherFiles->palette().color(QPalette::Text), grey);
    EXPECT_EQ(form.Settings().TOtherFiles, ".pdf;.txt");  // never changed by the dialog
}

TEST_F(NewSessionDialog, ProxyFieldsAndOptionButtonFollowTheirChoices) {
    form.RProxyConnection->click();
    EXPECT_TRUE(form.TProxyAddress->isEnabled() && form.TProxyPort->isEnabled());
    form.TProxyAddress->setText("127.0.0.1");
    form.TProxyPort->setText("3128");
    EXPECT_TRUE(form.Settings().RProxyConnection);
    form.RDirectConnection->click();
    EXPECT_FALSE(form.TProxyAddress->isEnabled() || form.TProxyPort->isEnabled());
    NewSessionSettings s = form.Settings();
    EXPECT_FALSE(s.RProxyConnection);
    EXPECT_EQ(s.TProxyAddress, "127.0.0.1");  // kept; the engine ignores it
    EXPECT_EQ(s.TProxyPort, "3128");

    form.CZIPEXEFiles->click();
    EXPECT_TRUE(form.OptionBtn->isEnabled());
    form.CZIPEXEFiles->click();
    EXPECT_FALSE(form.OptionBtn->isEnabled());
}

TEST_F(NewSessionDialog, CheckBoxesReachTheSettings) {
    using Field = bool NewSessionSettings::*;
    const std::pair<QCheckBox*, Field> boxes[] = {
        {form.CHTMLFiles, &NewSessionSettings::CHTMLFiles},
        {form.CImageFiles, &NewSessionSettings::CImageFiles},
        {form.CZIPEXEFiles, &NewSessionSettings::CZIPEXEFiles},
        {form.CJavaApplets, &NewSessionSettings::CJavaApplets},
        {form.COtherFiles, &NewSessionSettings::COtherFiles},
        {form.CEMailAddress, &NewSessionSettings::CEMailAddress},
    };
    for (auto [box, field] : boxes) {
        SCOPED_TRACE(box->text().toStdString());
        const bool before = form.Settings().*field;
        box->click();
        EXPECT_EQ(form.Settings().*field, !before);
    }
}

TEST_F(NewSessionDialog, FtpOptionDialogEnablesOkOnlyWhenWanted) {
    NextSubDialog<TFTPAuthenticationForm>([](TFTPAuthenticationForm& d) {
        EXPECT_FALSE(d.OkBtn->isEnabled());
        EXPECT_FALSE(d.GroupBox1->isEnabled());
        d.CheckBox1->click();
        EXPECT_TRUE(d.OkBtn->isEnabled());
        EXPECT_TRUE(d.TUserName->isEnabled() && d.TPassword->isEnabled());
        EXPECT_EQ(d.TPassword->echoMode(), QLineEdit::Password);
        d.CheckBox1->click();
        EXPECT_FALSE(d.OkBtn->isEnabled());
        d.CheckBox1->click();
        d.OkBtn->click();  // empty name and password
        return d.result();
    });
    form.CZIPEXEFiles->click();
    form.OptionBtn->click();
    NewSessionSettings s = form.Settings();
    EXPECT_TRUE(s.ChosenRetrieveFromFTP);
    EXPECT_EQ(s.ChosenFTPUserName, "");
    EXPECT_EQ(s.ChosenFTPPassword, "");
}

TEST_F(NewSessionDialog, CancellingTheReopenedFtpDialogTurnsFtpOff) {
    NextSubDialog<TFTPAuthenticationForm>([](TFTPAuthenticationForm& d) {
        d.CheckBox1->click();
        d.TUserName->setText("anonymous");
        d.TPassword->setText("guest@");
        d.OkBtn->click();
        return d.result();
    });
    NextSubDialog<TFTPAuthenticationForm>([](TFTPAuthenticationForm& d) {
        EXPECT_FALSE(d.CheckBox1->isChecked());  // a fresh dialog, not the accepted one
        EXPECT_EQ(d.TUserName->text(), "");
        EXPECT_EQ(d.TPassword->text(), "");
        d.CancelBtn->click();
        return d.result();
    });
    form.CZIPEXEFiles->click();
    form.OptionBtn->click();
    ASSERT_TRUE(form.Settings().ChosenRetrieveFromFTP);
    EXPECT_EQ(form.Settings().ChosenFTPUserName, "anonymous");
    form.OptionBtn->click();
    EXPECT_FALSE(form.Settings().ChosenRetrieveFromFTP);
}

struct HttpCase {
    const char* user;
    const char* password;
    bool accept;
    bool authenticationAfter;
    const char* userAfter;
};

TEST_F(NewSessionDialog, HttpDialogNeedsAUserName) {
    // Applied one after the other to the same New Session dialog.
    const HttpCase steps[] = {
        {"", "secret", true, false, ""},  // a password alone turns nothing on
        {"alice", "secret", true, true, "alice"},
        {"bob", "other", false, true, "alice"},  // Cancel keeps what was accepted
        {"", "", true, false, ""},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(std::string(step.user) + "/" + step.password);
        NextSubDialog<THTTPAuthenticationForm>([&step](THTTPAuthenticationForm& d) {
            EXPECT_EQ(d.THTTPUserName->text(), "");
            EXPECT_EQ(d.THTTPPassword->text(), "");
            EXPECT_EQ(d.THTTPPassword->echoMode(), QLineEdit::Password);
            d.THTTPUserName->setText(step.user);
            d.THTTPPassword->setText(step.password);
            (step.accept ? d.OkBtn : d.CancelBtn)->click();
            return d.result();
        });
        form.Button2->click();
        NewSessionSettings s = form.Settings();
        EXPECT_EQ(s.ChosenHTTPAuthentication, step.authenticationAfter);
        EXPECT_EQ(s.ChosenHTTPUserName, step.userAfter);
    }
}

const std::vector<std::string> DefaultLimitLines = {".html", "200", ".htm", "200",  ".gif", "500",
                                                    ".jpg",  "500", ".zip", "5000", ".exe", "5000",
                                                    "",      "",    "",     "",     "",     ""};

TEST_F(NewSessionDialog, FileSizeRowsAreTakenOnlyFromACheckedAcceptedDialog) {
    // OK without the box: impossible, and nothing is taken even if the dialog says Accepted.
    NextSubDialog<TSpecifyFileSize>([](TSpecifyFileSize& d) {
        EXPECT_FALSE(d.OkBtn->isEnabled());
        EXPECT_FALSE(d.StringGrid1->isEnabled() || d.NewTypeBtn->isEnabled());
        return int(QDialog::Accepted);
    });
    form.Button1->click();
    EXPECT_TRUE(form.ChosenFileSizeLimits.empty());

    NextSubDialog<TSpecifyFileSize>([](TSpecifyFileSize& d) {
        d.CheckBox1->click();
        EXPECT_TRUE(d.OkBtn->isEnabled() && d.StringGrid1->isEnabled());
        d.OkBtn->click();
        return d.result();
    });
    form.Button1->click();
    EXPECT_EQ(form.Settings().ChosenFileSizeLimits, DefaultLimitLines);

    // A second acceptance replaces the first; the dialog opens with the defaults again.
    NextSubDialog<TSpecifyFileSize>([](TSpecifyFileSize& d) {
        EXPECT_EQ(d.LimitLines(), DefaultLimitLines);
        d.CheckBox1->click();
        d.StringGrid1->item(0, 0)->setText(".GIF");
        d.StringGrid1->item(0, 1)->setText("30");
        d.NewTypeBtn->click();
        d.StringGrid1->item(9, 0)->setText(".pdf");
        d.StringGrid1->item(9, 1)->setText("100");
        d.OkBtn->click();
        return d.result();
    });
    form.Button1->click();
    std::vector<std::string> expected = DefaultLimitLines;
    expected[0] = ".gif";
    expected[1] = "30";
    expected.insert(expected.end(), {".pdf", "100"});
    EXPECT_EQ(form.ChosenFileSizeLimits, expected);

    // Cancel keeps what was accepted before.
    NextSubDialog<TSpecifyFileSize>([](TSpecifyFileSize& d) {
        d.CheckBox1->click();
        d.StringGrid1->item(0, 1)->setText("1");
        d.CancelBtn->click();
        return d.result();
    });
    form.Button1->click();
    EXPECT_EQ(form.ChosenFileSizeLimits, expected);
}

}  // namespace
