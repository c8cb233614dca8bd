#include "newsession/NewSessionDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <optional>

#include "core/IntegerText.h"
#include "core/StartAddress.h"
#include "newsession/DialogMessage.h"
#include "newsession/FileSizeLimitsDialog.h"
#include "newsession/FtpOptionsDialog.h"
#include "newsession/SiteLoginDialog.h"

namespace {
const QString EmptyAddressHint = QStringLiteral("Please enter a valid URL");
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

// The number in a field, or the value for an empty one; nothing when the text is not a number.
std::optional<int> FieldNumber(const QLineEdit* field, int emptyValue) {
    const std::string text = field->text().toStdString();
    return text.empty() ? emptyValue : ParseInteger<int>(text);
}
}  // namespace

NewSessionDialog::NewSessionDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("InitialForm");
    setWindowTitle("New Session");
    RunSubDialog = [](QDialog& dialog) { return dialog.exec(); };
    BuildControls();
    ConnectHandlers();
    LayOutControls();
}

NewSessionDialog::~NewSessionDialog() = default;

void NewSessionDialog::BuildControls() {
    // Every control starts from the settings' defaults.
    const SessionSettings defaults;
    MainURLLabel = new QLabel("Site/Page Address:", this);
    MainURL = NewEdit("MainURL", QString::fromStdString(defaults.MainURL), this);
    MainURL->setPlaceholderText(EmptyAddressHint);
    MainURL->setStatusTip(AddressHint);
    MainURL->setToolTip(AddressHint);
    MainURLLabel->setBuddy(MainURL);

    GroupRetrieve = new QGroupBox("Retrieve", this);
    RetrieveHTMLFiles =
        NewCheckBox("RetrieveHTMLFiles", "HTML Files", defaults.RetrieveHTMLFiles, GroupRetrieve);
    RetrieveImageFiles = NewCheckBox("RetrieveImageFiles", "Image Files",
                                     defaults.RetrieveImageFiles, GroupRetrieve);
    RetrieveZIPEXEFiles = NewCheckBox("RetrieveZIPEXEFiles", "ZIP/EXE Files",
                                      defaults.RetrieveZIPEXEFiles, GroupRetrieve);
    FtpOptionBtn = new QToolButton(GroupRetrieve);
    FtpOptionBtn->setObjectName("FtpOptionBtn");
    FtpOptionBtn->setText("! ");
    FtpOptionBtn->setToolTip("Set Option");
    FtpOptionBtn->setStatusTip("Set Option");
    FtpOptionBtn->setAutoRaise(true);
    QFont optionFont = FtpOptionBtn->font();
    optionFont.setBold(true);
    FtpOptionBtn->setFont(optionFont);
    FtpOptionBtn->setEnabled(defaults.RetrieveZIPEXEFiles);
    RetrieveJavaApplets = NewCheckBox("RetrieveJavaApplets", "Java Applets",
                                      defaults.RetrieveJavaApplets, GroupRetrieve);
    RetrieveOtherFiles = NewCheckBox("RetrieveOtherFiles", "Other Files",
                                     defaults.RetrieveOtherFiles, GroupRetrieve);
    OtherFileTypes =
        NewEdit("OtherFileTypes", QString::fromStdString(defaults.OtherFileTypes), GroupRetrieve);
    OtherFileTypes->setEnabled(defaults.RetrieveOtherFiles);
    SetTextColour(OtherFileTypes, QColor(128, 128, 128));
    CollectEMailAddresses = NewCheckBox("CollectEMailAddresses", "E-Mail Address",
                                        defaults.CollectEMailAddresses, GroupRetrieve);
    CompleteCopy = NewCheckBox(
        "CompleteCopy", "Complete copy: style sheets, scripts, fonts and the site's own folders",
        defaults.CompleteCopy, this);

    GroupConnection = new QGroupBox("Connection Mode", this);
    UseDirectConnection = new QRadioButton("Direct connection to internet", GroupConnection);
    UseDirectConnection->setObjectName("UseDirectConnection");
    UseDirectConnection->setChecked(!defaults.UseProxy);
    UseProxy = new QRadioButton("Connect through proxy", GroupConnection);
    UseProxy->setObjectName("UseProxy");
    UseProxy->setChecked(defaults.UseProxy);
    ProxyAddressLabel = new QLabel("Proxy Address: ", GroupConnection);
    ProxyAddress =
        NewEdit("ProxyAddress", QString::fromStdString(defaults.ProxyAddress), GroupConnection);
    ProxyAddress->setEnabled(defaults.UseProxy);
    ProxyAddressLabel->setBuddy(ProxyAddress);
    ProxyPortLabel = new QLabel("Port:", GroupConnection);
    ProxyPort = NewEdit("ProxyPort",
                        defaults.ProxyPort == 0 ? QString() : QString::number(defaults.ProxyPort),
                        GroupConnection);
    ProxyPort->setEnabled(defaults.UseProxy);
    ProxyPortLabel->setBuddy(ProxyPort);

    GroupSearchDepth = new QGroupBox("Search Depth", this);
    SearchEntireSite = new QRadioButton("Search Entire Site", GroupSearchDepth);
    SearchEntireSite->setObjectName("SearchEntireSite");
    SearchEntireSite->setChecked(defaults.SearchEntireSite);
    SearchOnlyCurrentPage = new QRadioButton("Search Only Current Page", GroupSearchDepth);
    SearchOnlyCurrentPage->setObjectName("SearchOnlyCurrentPage");
    SearchOnlyCurrentPage->setChecked(!defaults.SearchEntireSite);

    MaximumThreadsLabel = new QLabel("Maximum number of session download thread =", this);
    MaximumThreads = NewEdit("MaximumThreads", QString::number(defaults.MaximumThreads), this);
    MaximumThreads->setMaxLength(2);
    MaximumThreadsLabel->setBuddy(MaximumThreads);
    MinimumDiskSpaceLabel = new QLabel("Stop session if disk free space drops below    =", this);
    MinimumDiskSpace =
        NewEdit("MinimumDiskSpace", QString::number(defaults.MinimumDiskSpace), this);
    MinimumDiskSpaceLabel->setBuddy(MinimumDiskSpace);

    FileSizeLimitsBtn = new QPushButton("Specify File Size ..", this);
    FileSizeLimitsBtn->setObjectName("FileSizeLimitsBtn");
    SiteLoginBtn = new QPushButton("Authentication..", this);
    SiteLoginBtn->setObjectName("SiteLoginBtn");
    CancelBtn = new QPushButton("Cancel", this);
    CancelBtn->setObjectName("CancelBtn");
    OKBtn = new QPushButton("OK", this);
    OKBtn->setObjectName("OKBtn");
    OKBtn->setDefault(true);
}

void NewSessionDialog::ConnectHandlers() {
    connect(MainURL, &QLineEdit::textChanged, this, &NewSessionDialog::OnStartAddressEdited);
    connect(OKBtn, &QPushButton::clicked, this, &NewSessionDialog::AcceptSettings);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(UseProxy, &QRadioButton::clicked, this, &NewSessionDialog::OnProxyConnectionChosen);
    connect(UseDirectConnection, &QRadioButton::clicked, this, &NewSessionDialog::OnDirectConnectionChosen);
    connect(RetrieveOtherFiles, &QCheckBox::clicked, this, &NewSessionDialog::OnOtherFilesToggled);
    connect(RetrieveZIPEXEFiles, &QCheckBox::toggled, this, &NewSessionDialog::OnArchiveFilesToggled);
    connect(FtpOptionBtn, &QToolButton::clicked, this, &NewSessionDialog::AskFtpOption);
    connect(FileSizeLimitsBtn, &QPushButton::clicked, this, &NewSessionDialog::AskFileSizeLimits);
    connect(SiteLoginBtn, &QPushButton::clicked, this, &NewSessionDialog::AskSiteLogin);
    connect(MaximumThreads, &QLineEdit::textChanged, this, &NewSessionDialog::OnMaximumThreadsEdited);
    connect(MinimumDiskSpace, &QLineEdit::textChanged, this,
            &NewSessionDialog::OnMinimumDiskSpaceEdited);
}

void NewSessionDialog::LayOutControls() {
    auto* top = new QHBoxLayout;
    top->addWidget(MainURLLabel);
    top->addWidget(MainURL, 1);

    auto* retrieve = new QGridLayout(GroupRetrieve);
    retrieve->setVerticalSpacing(4);
    retrieve->addWidget(RetrieveHTMLFiles, 0, 0, 1, 2);
    retrieve->addWidget(RetrieveImageFiles, 1, 0, 1, 2);
    retrieve->addWidget(RetrieveZIPEXEFiles, 2, 0);
    retrieve->addWidget(FtpOptionBtn, 2, 1, Qt::AlignLeft);
    retrieve->addWidget(RetrieveJavaApplets, 3, 0, 1, 2);
    retrieve->addWidget(RetrieveOtherFiles, 4, 0, 1, 2);
    auto* otherIndent = new QHBoxLayout;
    otherIndent->addSpacing(20);
    otherIndent->addWidget(OtherFileTypes);
    retrieve->addLayout(otherIndent, 5, 0, 1, 3);
    retrieve->addWidget(CollectEMailAddresses, 6, 0, 1, 2);
    retrieve->setColumnStretch(2, 1);
    retrieve->setRowStretch(7, 1);

    auto* connection = new QGridLayout(GroupConnection);
    connection->setVerticalSpacing(4);
    connection->addWidget(UseDirectConnection, 0, 0, 1, 4);
    connection->addWidget(UseProxy, 1, 0, 1, 4);
    connection->addWidget(ProxyAddressLabel, 2, 0);
    connection->addWidget(ProxyAddress, 2, 1);
    connection->addWidget(ProxyPortLabel, 2, 2);
    connection->addWidget(ProxyPort, 2, 3);
    connection->setColumnStretch(1, 1);
    ProxyPort->setFixedWidth(56);

    auto* depth = new QVBoxLayout(GroupSearchDepth);
    depth->setSpacing(4);
    depth->addWidget(SearchEntireSite);
    depth->addWidget(SearchOnlyCurrentPage);

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
    limits->addWidget(MaximumThreadsLabel, 0, 0);
    limits->addWidget(MaximumThreads, 0, 1);
    limits->addWidget(MinimumDiskSpaceLabel, 1, 0);
    limits->addWidget(MinimumDiskSpace, 1, 1);
    limits->addWidget(new QLabel("MB", limitsFrame), 1, 2);
    limits->setColumnStretch(3, 1);
    MaximumThreads->setFixedWidth(56);
    MinimumDiskSpace->setFixedWidth(56);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(FileSizeLimitsBtn);
    buttons->addWidget(SiteLoginBtn);
    buttons->addStretch();
    buttons->addWidget(CancelBtn);
    buttons->addWidget(OKBtn);

    auto* main = new QVBoxLayout(this);
    main->addLayout(top);
    main->addLayout(areas);
    main->addWidget(CompleteCopy);
    main->addWidget(limitsFrame);
    main->addLayout(buttons);

    // Fixed width, not resizable; the height follows the font.
    main->setSizeConstraint(QLayout::SetFixedSize);
    MainURL->setMinimumWidth(380);
}

void NewSessionDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FocusStartAddress();
    // Activation selects the whole text when the window gets the focus; the caret goes to the
    // end of the default text once that has happened.
    QTimer::singleShot(0, this, [this] { FocusStartAddress(); });
}

void NewSessionDialog::FocusStartAddress() {
    MainURL->setFocus();
    MainURL->deselect();
    MainURL->setCursorPosition(11);  // the end of "http://www."
}

void NewSessionDialog::OnStartAddressEdited() {
    const QString text = MainURL->text();
    // The search depth follows the address on every edit: a page address means that page only.
    if (text.contains(QStringLiteral(".htm")))
        SearchOnlyCurrentPage->setChecked(true);
    else
        SearchEntireSite->setChecked(true);
    // The text is the person's own and is never rewritten while it is typed: putting "http://"
    // back into a field that the first key of a new address had emptied, and holding the keys
    // that followed, garbled that address. What is wrong with an address is said at OK.
    OKBtn->setEnabled(!text.trimmed().isEmpty() && text.toLower() != QStringLiteral("http://") &&
                      text != AddressHint);
}

void NewSessionDialog::AcceptSettings() {
    // A pasted address often brings a space or a line end along; a browser drops them too.
    if (MainURL->text().trimmed() != MainURL->text()) MainURL->setText(MainURL->text().trimmed());
    if (const std::string refusal = StartAddressRefusal(MainURL->text().toStdString());
        !refusal.empty()) {
        ShowDialogMessage(this, QString::fromStdString(refusal));
        MainURL->setFocus();
        return;
    }
    if (!NumberFieldsAreNumbers()) return;
    // Taken as http, and shown so: a complete copy reads the site from the scheme.
    if (AddressScheme(MainURL->text().toStdString()).empty())
        MainURL->setText("http://" + MainURL->text());
    if (SearchEntireSite->isChecked() && !MainURL->text().endsWith(u'/'))
        MainURL->setText(MainURL->text() + u'/');
    accept();
}

void NewSessionDialog::OnProxyConnectionChosen() {
    ProxyAddress->setEnabled(true);
    ProxyPort->setEnabled(true);
    ProxyAddress->setFocus();
}

void NewSessionDialog::OnDirectConnectionChosen() {
    ProxyAddress->setEnabled(false);
    ProxyPort->setEnabled(false);
}

void NewSessionDialog::OnOtherFilesToggled() {
    const bool checked = RetrieveOtherFiles->isChecked();
    OtherFileTypes->setEnabled(checked);
    if (checked) {
        OtherFileTypes->setFocus();
        ResetTextColour(OtherFileTypes);
        OtherFileTypes->deselect();
        OtherFileTypes->setCursorPosition(1);  // after the leading "."
    } else {
        SetTextColour(OtherFileTypes, QColor(128, 128, 128));
    }
}

void NewSessionDialog::OnArchiveFilesToggled() {
    FtpOptionBtn->setEnabled(RetrieveZIPEXEFiles->isChecked());
}

void NewSessionDialog::AskFtpOption() {
    // Cancelling the option dialog means no FTP retrieval, whatever was accepted before.
    chosen_.RetrieveFromFTP = false;
    FtpOptionsDialog dialog(this);
    if (RunSubDialog(dialog) != QDialog::Accepted) return;
    chosen_.RetrieveFromFTP = dialog.RetrieveFromFtpCheck->isChecked();
    chosen_.FTPUserName = dialog.UserNameEdit->text().toStdString();
    chosen_.FTPPassword = dialog.PasswordEdit->text().toStdString();
}

void NewSessionDialog::AskFileSizeLimits() {
    FileSizeLimitsDialog dialog(this);
    if (RunSubDialog(dialog) != QDialog::Accepted) return;
    if (dialog.LimitSizesCheck->isChecked()) chosen_.FileSizeLimits = dialog.Limits();
}

void NewSessionDialog::AskSiteLogin() {
    SiteLoginDialog dialog(this);
    if (RunSubDialog(dialog) != QDialog::Accepted) return;
    chosen_.HTTPUserName = dialog.UserNameEdit->text().toStdString();
    chosen_.HTTPPassword = dialog.PasswordEdit->text().toStdString();
    chosen_.UseHTTPAuthentication = !chosen_.HTTPUserName.empty();
}

void NewSessionDialog::OnMaximumThreadsEdited() {
    RefuseNonDigit(MaximumThreads, 2);
}

void NewSessionDialog::OnMinimumDiskSpaceEdited() {
    RefuseNonDigit(MinimumDiskSpace, 3);
}

void NewSessionDialog::RefuseNonDigit(QLineEdit* field, int examined) {
    // Only the last character of the examined start is looked at: that catches typing at the end
    // of a short number. Anything else that slips through is refused at OK.
    const QString start = field->text().left(examined);
    if (start.isEmpty()) return;
    const QChar last = start.back();
    if (last >= u'0' && last <= u'9') return;
    ShowDialogMessage(this, ValueMustBeInteger);
    field->clear();
}

bool NewSessionDialog::NumberFieldsAreNumbers() {
    // The proxy port counts only with the proxy: the field is disabled otherwise.
    QLineEdit* const fields[] = {MaximumThreads, MinimumDiskSpace,
                                 UseProxy->isChecked() ? ProxyPort : nullptr};
    for (QLineEdit* field : fields) {
        if (!field || FieldNumber(field, 0)) continue;
        ShowDialogMessage(this,
                          QString::fromStdString(NotIntegerMessage(field->text().toStdString())));
        field->setFocus();
        return false;
    }
    return true;
}

SessionSettings NewSessionDialog::Settings() const {
    const SessionSettings defaults;
    SessionSettings s = chosen_;
    s.MainURL = MainURL->text().toStdString();
    s.RetrieveHTMLFiles = RetrieveHTMLFiles->isChecked();
    s.RetrieveImageFiles = RetrieveImageFiles->isChecked();
    s.RetrieveZIPEXEFiles = RetrieveZIPEXEFiles->isChecked();
    s.RetrieveJavaApplets = RetrieveJavaApplets->isChecked();
    s.RetrieveOtherFiles = RetrieveOtherFiles->isChecked();
    s.OtherFileTypes = OtherFileTypes->text().toStdString();
    s.CollectEMailAddresses = CollectEMailAddresses->isChecked();
    s.CompleteCopy = CompleteCopy->isChecked();
    s.UseProxy = UseProxy->isChecked();
    s.ProxyAddress = ProxyAddress->text().toStdString();
    s.ProxyPort = FieldNumber(ProxyPort, 0).value_or(0);
    s.SearchEntireSite = SearchEntireSite->isChecked();
    s.MaximumThreads =
        FieldNumber(MaximumThreads, defaults.MaximumThreads).value_or(defaults.MaximumThreads);
    s.MinimumDiskSpace = FieldNumber(MinimumDiskSpace, defaults.MinimumDiskSpace)
                             .value_or(defaults.MinimumDiskSpace);
    return s;
}
