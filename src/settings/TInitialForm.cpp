#include "settings/TInitialForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/Text.h"
#include "settings/DialogMessage.h"
#include "settings/TFTPAuthenticationForm.h"
#include "settings/THTTPAuthenticationForm.h"
#include "settings/FileSizeLimitsDialog.h"

namespace {
const QString DefaultAddress = QStringLiteral("http://www.");
const QString ShortAddressWarning = QStringLiteral("Please enter a valid URL");
const QString AddressHint = QStringLiteral("Enter a valid URL");

void SetTextColour(QLineEdit* edit, const QColor& colour) {
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Text, colour);
    edit->setPalette(palette);
}

// The text colour the platform gives edits, which is black in the usual light themes.
void ResetTextColour(QLineEdit* edit) {
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Text, QApplication::palette(edit).color(QPalette::Text));
    edit->setPalette(palette);
}

QCheckBox* NewCheckBox(const char* name, const QString& caption, bool checked, QWidget* parent) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    box->setChecked(checked);
    return box;
}

QLineEdit* NewEdit(const char* name, const QString& text, QWidget* parent) {
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(name);
    return edit;
}
}  // namespace

TInitialForm::TInitialForm(QWidget* parent) : QDialog(parent) {
    setObjectName("InitialForm");
    setWindowTitle("New Session");
    RunSubDialog = [](QDialog& dialog) { return dialog.exec(); };
    Pause = [](int milliseconds) { QThread::msleep(static_cast<unsigned long>(milliseconds)); };
    BuildControls();
    LayOutControls();
    FormCreate();
}

TInitialForm::~TInitialForm() = default;

void TInitialForm::FormCreate() {
    ChosenFileSizeLimits.clear();
    ChosenRetrieveFromFTP = false;
    ChosenHTTPAuthentication = false;
}

void TInitialForm::BuildControls() {
    LMainURL = new QLabel("Site/Page Address:", this);
    MainURL = NewEdit("MainURL", DefaultAddress, this);
    MainURL->setStatusTip(AddressHint);
    MainURL->setToolTip(AddressHint);
    LMainURL->setBuddy(MainURL);

    GroupRetrieve = new QGroupBox("Retrieve", this);
    CHTMLFiles = NewCheckBox("CHTMLFiles", "HTML Files", true, GroupRetrieve);
    CImageFiles = NewCheckBox("CImageFiles", "Image Files", true, GroupRetrieve);
    CZIPEXEFiles = NewCheckBox("CZIPEXEFiles", "ZIP/EXE Files", false, GroupRetrieve);
    OptionBtn = new QToolButton(GroupRetrieve);
    OptionBtn->setObjectName("OptionBtn");
    OptionBtn->setText("! ");
    OptionBtn->setToolTip("Set Option");
    OptionBtn->setStatusTip("Set Option");
    OptionBtn->setAutoRaise(true);
    QFont optionFont = OptionBtn->font();
    optionFont.setBold(true);
    OptionBtn->setFont(optionFont);
    OptionBtn->setEnabled(false);
    CJavaApplets = NewCheckBox("CJavaApplets", "Java Applets", false, GroupRetrieve);
    COtherFiles = NewCheckBox("COtherFiles", "Other Files", false, GroupRetrieve);
    TOtherFiles = NewEdit("TOtherFiles", ".au;.pdf;.asp;.txt", GroupRetrieve);
    TOtherFiles->setEnabled(false);
    SetTextColour(TOtherFiles, QColor(128, 128, 128));
    CEMailAddress = NewCheckBox("CEMailAddress", "E-Mail Address", false, GroupRetrieve);

    GroupConnection = new QGroupBox("Connection Mode", this);
    RDirectConnection = new QRadioButton("Direct connection to internet", GroupConnection);
    RDirectConnection->setObjectName("RDirectConnection");
    RDirectConnection->setChecked(true);
    RProxyConnection = new QRadioButton("Connect through proxy", GroupConnection);
    RProxyConnection->setObjectName("RProxyConnection");
    LProxyAddress = new QLabel("Proxy Address: ", GroupConnection);
    TProxyAddress = NewEdit("TProxyAddress", QString(), GroupConnection);
    TProxyAddress->setEnabled(false);
    LProxyAddress->setBuddy(TProxyAddress);
    LProxyPort = new QLabel("Port:", GroupConnection);
    TProxyPort = NewEdit("TProxyPort", QString(), GroupConnection);
    TProxyPort->setEnabled(false);
    LProxyPort->setBuddy(TProxyPort);

    GroupSearchDepth = new QGroupBox("Search Depth", this);
    RSearchEntireSite = new QRadioButton("Search Entire Site", GroupSearchDepth);
    RSearchEntireSite->setObjectName("RSearchEntireSite");
    RSearchEntireSite->setChecked(true);
    RSearchOnlyCurrentPage = new QRadioButton("Search Only Current Page", GroupSearchDepth);
    RSearchOnlyCurrentPage->setObjectName("RSearchOnlyCurrentPage");

    LMaximumThreads = new QLabel("Maximum number of session download thread =", this);
    TMaximumThreads = NewEdit("TMaximumThreads", "10", this);
    TMaximumThreads->setMaxLength(2);
    LMaximumThreads->setBuddy(TMaximumThreads);
    LMinimumDiskSpace = new QLabel("Stop session if disk free space drops below    =", this);
    TMinimumDiskSpace = NewEdit("TMinimumDiskSpace", "50", this);
    LMinimumDiskSpace->setBuddy(TMinimumDiskSpace);

    Button1 = new QPushButton("Specify File Size ..", this);
    Button1->setObjectName("Button1");
    Button2 = new QPushButton("Authentication..", this);
    Button2->setObjectName("Button2");
    CancelBtn = new QPushButton("Cancel", this);
    CancelBtn->setObjectName("CancelBtn");
    OKBtn = new QPushButton("OK", this);
    OKBtn->setObjectName("OKBtn");
    OKBtn->setDefault(true);

    connect(MainURL, &QLineEdit::textChanged, this, &TInitialForm::MainURLChange);
    connect(OKBtn, &QPushButton::clicked, this, &TInitialForm::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(RProxyConnection, &QRadioButton::clicked, this, &TInitialForm::RProxyConnectionClick);
    connect(RDirectConnection, &QRadioButton::clicked, this, &TInitialForm::RDirectConnectionClick);
    connect(COtherFiles, &QCheckBox::clicked, this, &TInitialForm::COtherFilesClick);
    connect(CZIPEXEFiles, &QCheckBox::toggled, this, &TInitialForm::CZIPEXEFilesClick);
    connect(OptionBtn, &QToolButton::clicked, this, &TInitialForm::OptionBtnClick);
    connect(Button1, &QPushButton::clicked, this, &TInitialForm::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TInitialForm::Button2Click);
    connect(TMaximumThreads, &QLineEdit::textChanged, this, &TInitialForm::TMaximumThreadsChange);
    connect(TMinimumDiskSpace, &QLineEdit::textChanged, this,
            &TInitialForm::TMinimumDiskSpaceChange);
}

void TInitialForm::LayOutControls() {
    auto* top = new QHBoxLayout;
    top->addWidget(LMainURL);
    top->addWidget(MainURL, 1);

    auto* retrieve = new QGridLayout(GroupRetrieve);
    retrieve->setVerticalSpacing(4);
    retrieve->addWidget(CHTMLFiles, 0, 0, 1, 2);
    retrieve->addWidget(CImageFiles, 1, 0, 1, 2);
    retrieve->addWidget(CZIPEXEFiles, 2, 0);
    retrieve->addWidget(OptionBtn, 2, 1, Qt::AlignLeft);
    retrieve->addWidget(CJavaApplets, 3, 0, 1, 2);
    retrieve->addWidget(COtherFiles, 4, 0, 1, 2);
    auto* otherIndent = new QHBoxLayout;
    otherIndent->addSpacing(20);
    otherIndent->addWidget(TOtherFiles);
    retrieve->addLayout(otherIndent, 5, 0, 1, 3);
    retrieve->addWidget(CEMailAddress, 6, 0, 1, 2);
    retrieve->setColumnStretch(2, 1);
    retrieve->setRowStretch(7, 1);

    auto* connection = new QGridLayout(GroupConnection);
    connection->setVerticalSpacing(4);
    connection->addWidget(RDirectConnection, 0, 0, 1, 4);
    connection->addWidget(RProxyConnection, 1, 0, 1, 4);
    connection->addWidget(LProxyAddress, 2, 0);
    connection->addWidget(TProxyAddress, 2, 1);
    connection->addWidget(LProxyPort, 2, 2);
    connection->addWidget(TProxyPort, 2, 3);
    connection->setColumnStretch(1, 1);
    TProxyPort->setFixedWidth(56);

    auto* depth = new QVBoxLayout(GroupSearchDepth);
    depth->setSpacing(4);
    depth->addWidget(RSearchEntireSite);
    depth->addWidget(RSearchOnlyCurrentPage);

    auto* right = new QVBoxLayout;
    right->addWidget(GroupConnection);
    right->addWidget(GroupSearchDepth);
    right->addStretch();

    auto* areas = new QHBoxLayout;
    areas->addWidget(GroupRetrieve, 0);
    areas->addLayout(right, 1);

    auto* limitsFrame = new QGroupBox(this);
    auto* limits = new QGridLayout(limitsFrame);
    limits->setVerticalSpacing(4);
    limits->addWidget(LMaximumThreads, 0, 0);
    limits->addWidget(TMaximumThreads, 0, 1);
    limits->addWidget(LMinimumDiskSpace, 1, 0);
    limits->addWidget(TMinimumDiskSpace, 1, 1);
    limits->addWidget(new QLabel("MB", limitsFrame), 1, 2);
    limits->setColumnStretch(3, 1);
    TMaximumThreads->setFixedWidth(56);
    TMinimumDiskSpace->setFixedWidth(56);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    buttons->addStretch();
    buttons->addWidget(CancelBtn);
    buttons->addWidget(OKBtn);

    auto* main = new QVBoxLayout(this);
    main->addLayout(top);
    main->addLayout(areas);
    main->addWidget(limitsFrame);
    main->addLayout(buttons);

    // Fixed width, not resizable; the height follows the font.
    main->setSizeConstraint(QLayout::SetFixedSize);
    MainURL->setMinimumWidth(380);
}

void TInitialForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
    // Activation selects the whole text when the window gets the focus; the caret goes to the
    // end of the default text once that has happened.
    QTimer::singleShot(0, this, [this] { FormShow(); });
}

void TInitialForm::FormShow() {
    MainURL->setFocus();
    MainURL->deselect();
    MainURL->setCursorPosition(11);  // the end of "http://www."
}

void TInitialForm::MainURLChange() {
    const std::string address = MainURL->text().toStdString();
    // The search depth follows the address on every edit: a page address means that page only.
    if (Contains(address, ".htm"))
        RSearchOnlyCurrentPage->setChecked(true);
    else
        RSearchEntireSite->setChecked(true);

    if (address.size() < 7) {
        // The field never keeps less than "http://". Setting the texts runs this handler again;
        // those inner runs leave the state this outer run finishes with.
        SetTextColour(MainURL, Qt::red);
        MainURL->setText(ShortAddressWarning);
        MainURL->repaint();
        Pause(1000);
        ResetTextColour(MainURL);
        MainURL->setText("http://");
        MainURL->setFocus();
        MainURL->setCursorPosition(7);
    }

    const std::string now = MainURL->text().toStdString();
    OKBtn->setEnabled(LowerCase(now) != "http://" && now != AddressHint.toStdString());
}

void TInitialForm::OKBtnClick() {
    if (RSearchEntireSite->isChecked() && !MainURL->text().endsWith(u'/'))
        MainURL->setText(MainURL->text() + u'/');
    accept();
}

void TInitialForm::RProxyConnectionClick() {
    TProxyAddress->setEnabled(true);
    TProxyPort->setEnabled(true);
    TProxyAddress->setFocus();
}

void TInitialForm::RDirectConnectionClick() {
    TProxyAddress->setEnabled(false);
    TProxyPort->setEnabled(false);
}

void TInitialForm::COtherFilesClick() {
    const bool checked = COtherFiles->isChecked();
    TOtherFiles->setEnabled(checked);
    if (checked) {
        TOtherFiles->setFocus();
        ResetTextColour(TOtherFiles);
        TOtherFiles->deselect();
        TOtherFiles->setCursorPosition(1);  // after the leading "."
    } else {
        SetTextColour(TOtherFiles, QColor(128, 128, 128));
    }
}

void TInitialForm::CZIPEXEFilesClick() {
    OptionBtn->setEnabled(CZIPEXEFiles->isChecked());
}

void TInitialForm::OptionBtnClick() {
    // Cancelling the option dialog means no FTP retrieval, whatever was accepted before.
    ChosenRetrieveFromFTP = false;
    TFTPAuthenticationForm dialog(this);
    if (RunSubDialog(dialog) != QDialog::Accepted) return;
    ChosenRetrieveFromFTP = dialog.CheckBox1->isChecked();
    ChosenFTPUserName = dialog.TUserName->text().toStdString();
    ChosenFTPPassword = dialog.TPassword->text().toStdString();
}

void TInitialForm::Button1Click() {
    TSpecifyFileSize dialog(this);
    if (RunSubDialog(dialog) != QDialog::Accepted) return;
    if (dialog.CheckBox1->isChecked()) ChosenFileSizeLimits = dialog.LimitLines();
}

void TInitialForm::Button2Click() {
    THTTPAuthenticationForm dialog(this);
    if (RunSubDialog(dialog) != QDialog::Accepted) return;
    ChosenHTTPUserName = dialog.THTTPUserName->text().toStdString();
    ChosenHTTPPassword = dialog.THTTPPassword->text().toStdString();
    ChosenHTTPAuthentication = !ChosenHTTPUserName.empty();
}

void TInitialForm::TMaximumThreadsChange() {
    NumberFieldChange(TMaximumThreads, 2);
}

void TInitialForm::TMinimumDiskSpaceChange() {
    NumberFieldChange(TMinimumDiskSpace, 3);
}

void TInitialForm::NumberFieldChange(QLineEdit* field, int examined) {
    // Only the last character of the examined start is looked at: that catches typing at the end
    // of a short number. Anything else that slips through is refused when the session starts.
    const QString start = field->text().left(examined);
    if (start.isEmpty()) return;
    const QChar last = start.back();
    if (last >= u'0' && last <= u'9') return;
    ShowDialogMessage(this, ValueMustBeInteger);
    field->clear();
}

NewSessionSettings TInitialForm::Settings() const {
    NewSessionSettings s;
    s.MainURL = MainURL->text().toStdString();
    s.CHTMLFiles = CHTMLFiles->isChecked();
    s.CImageFiles = CImageFiles->isChecked();
    s.CZIPEXEFiles = CZIPEXEFiles->isChecked();
    s.CJavaApplets = CJavaApplets->isChecked();
    s.COtherFiles = COtherFiles->isChecked();
    s.TOtherFiles = TOtherFiles->text().toStdString();
    s.CEMailAddress = CEMailAddress->isChecked();
    s.RProxyConnection = RProxyConnection->isChecked();
    s.TProxyAddress = TProxyAddress->text().toStdString();
    s.TProxyPort = TProxyPort->text().toStdString();
    s.RSearchEntireSite = RSearchEntireSite->isChecked();
    s.TMaximumThreads = TMaximumThreads->text().toStdString();
    s.TMinimumDiskSpace = TMinimumDiskSpace->text().toStdString();
    s.ChosenFileSizeLimits = ChosenFileSizeLimits;
    s.ChosenRetrieveFromFTP = ChosenRetrieveFromFTP;
    s.ChosenFTPUserName = ChosenFTPUserName;
    s.ChosenFTPPassword = ChosenFTPPassword;
    s.ChosenHTTPAuthentication = ChosenHTTPAuthentication;
    s.ChosenHTTPUserName = ChosenHTTPUserName;
    s.ChosenHTTPPassword = ChosenHTTPPassword;
    return s;
}
