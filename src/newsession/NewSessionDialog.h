#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "core/SessionSettings.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

// "New Session": the start address, the kinds of files, the connection, the search depth, the
// thread count and the disk reserve, and (through three sub-dialogs) the file-size limits, the
// FTP option and the HTTP credentials. The dialog only validates and normalises its own fields;
// Settings() hands everything to the engine. A new dialog is made for every New Session, so each
// one starts from the defaults.
class NewSessionDialog : public QDialog {
    Q_OBJECT
  public:
    explicit NewSessionDialog(QWidget* parent = nullptr);
    ~NewSessionDialog() override;

    // The values as they stand now (read after the dialog closed with OK). An empty number
    // field gives its default; OK refuses one that holds anything but a number.
    SessionSettings Settings() const;

    // Shows a sub-dialog modally and returns its result (QDialog::Accepted or Rejected).
    // Replaceable, so that the sub-dialogs can be driven without a person.
    std::function<int(QDialog&)> RunSubDialog;

    QLabel* MainURLLabel;
    QLineEdit* MainURL;
    QGroupBox* GroupRetrieve;
    QCheckBox* RetrieveHTMLFiles;
    QCheckBox* RetrieveImageFiles;
    QCheckBox* RetrieveZIPEXEFiles;
    QToolButton* FtpOptionBtn;
    QCheckBox* RetrieveJavaApplets;
    QCheckBox* RetrieveOtherFiles;
    QLineEdit* OtherFileTypes;
    QCheckBox* CollectEMailAddresses;
    QCheckBox* CompleteCopy;
    QGroupBox* GroupConnection;
    QRadioButton* UseDirectConnection;
    QRadioButton* UseProxy;
    QLabel* ProxyAddressLabel;
    QLineEdit* ProxyAddress;
    QLabel* ProxyPortLabel;
    QLineEdit* ProxyPort;
    QGroupBox* GroupSearchDepth;
    QRadioButton* SearchEntireSite;
    QRadioButton* SearchOnlyCurrentPage;
    QLabel* MaximumThreadsLabel;
    QLineEdit* MaximumThreads;
    QLabel* MinimumDiskSpaceLabel;
    QLineEdit* MinimumDiskSpace;
    QPushButton* FileSizeLimitsBtn;
    QPushButton* SiteLoginBtn;
    QPushButton* CancelBtn;
    QPushButton* OKBtn;

    // Handlers, public so that the program and its tests can run them as a person would.
    void FocusStartAddress();
    void OnStartAddressEdited();
    void AcceptSettings();
    void OnProxyConnectionChosen();
    void OnDirectConnectionChosen();
    void OnOtherFilesToggled();
    void OnArchiveFilesToggled();
    void AskFtpOption();
    void AskFileSizeLimits();
    void AskSiteLogin();
    void OnMaximumThreadsEdited();
    void OnMinimumDiskSpaceEdited();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void BuildControls();
    void ConnectHandlers();
    void LayOutControls();
    void RefuseNonDigit(QLineEdit* field, int examined);
    // Each number field that is used holds a number or nothing; else says so and returns false.
    bool NumberFieldsAreNumbers();

    // The sub-dialogs' results (file sizes, FTP, HTTP credentials), kept until Settings().
    SessionSettings chosen_;
};
