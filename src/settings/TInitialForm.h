#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "core/NewSessionSettings.h"

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
class TInitialForm : public QDialog {
    Q_OBJECT
  public:
    explicit TInitialForm(QWidget* parent = nullptr);
    ~TInitialForm() override;

    // The values as they stand now (read after the dialog closed with OK).
    NewSessionSettings Settings() const;

    // Shows a sub-dialog modally and returns its result (QDialog::Accepted or Rejected).
    // Replaceable, so that the sub-dialogs can be driven without a person.
    std::function<int(QDialog&)> RunSubDialog;
    // The pause that keeps "Please enter a valid URL" on screen; blocks input while it lasts.
    std::function<void(int milliseconds)> Pause;

    // Sub-dialog results, kept until the engine takes them over.
    std::vector<std::string> ChosenFileSizeLimits;
    bool ChosenRetrieveFromFTP = false;
    std::string ChosenFTPUserName;
    std::string ChosenFTPPassword;
    bool ChosenHTTPAuthentication = false;
    std::string ChosenHTTPUserName;
    std::string ChosenHTTPPassword;

    QLabel* LMainURL;
    QLineEdit* MainURL;
    QGroupBox* GroupRetrieve;
    QCheckBox* CHTMLFiles;
    QCheckBox* CImageFiles;
    QCheckBox* CZIPEXEFiles;
    QToolButton* OptionBtn;
    QCheckBox* CJavaApplets;
    QCheckBox* COtherFiles;
    QLineEdit* TOtherFiles;
    QCheckBox* CEMailAddress;
    QGroupBox* GroupConnection;
    QRadioButton* RDirectConnection;
    QRadioButton* RProxyConnection;
    QLabel* LProxyAddress;
    QLineEdit* TProxyAddress;
    QLabel* LProxyPort;
    QLineEdit* TProxyPort;
    QGroupBox* GroupSearchDepth;
    QRadioButton* RSearchEntireSite;
    QRadioButton* RSearchOnlyCurrentPage;
    QLabel* LMaximumThreads;
    QLineEdit* TMaximumThreads;
    QLabel* LMinimumDiskSpace;
    QLineEdit* TMinimumDiskSpace;
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* CancelBtn;
    QPushButton* OKBtn;

    // Handlers, public so that the program and its tests can run them as a person would.
    void FormShow();
    void MainURLChange();
    void OKBtnClick();
    void RProxyConnectionClick();
    void RDirectConnectionClick();
    void COtherFilesClick();
    void CZIPEXEFilesClick();
    void OptionBtnClick();
    void Button1Click();
    void Button2Click();
    void TMaximumThreadsChange();
    void TMinimumDiskSpaceChange();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void FormCreate();
    void BuildControls();
    void LayOutControls();
    void NumberFieldChange(QLineEdit* field, int examined);
};
