#pragma once

#include <QImage>
#include <QTextBrowser>
#include <QUrl>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

class QTemporaryDir;
class Transfer;

// The input side of the current retrieval: how big the document is and how much has arrived.
struct DocumentProgress {
    std::int64_t ExpectedBytes = 0;
    std::int64_t ReceivedBytes = 0;
};

// Error numbers reported through OnError. Replies of a web server that refuse the document
// report the server's own status (404, 500, ...) instead.
enum HtmlErrorNumber : int {
    HtmlErrorFile = 1,         // a local file is missing or unreadable
    HtmlErrorTransfer = 2,     // the connection failed
    HtmlErrorUnsupported = 3,  // the document cannot be displayed (unknown kind, bad picture)
    HtmlErrorRedirects = 4,    // too many redirections
};

// The HTML display control: shows local and web documents (HTML pages with their pictures,
// text files, pictures) and follows their links itself.
//
// Every request, whether from ShowURL or from a followed link, first raises OnDoRequestDoc
// (from inside ShowURL or the click), then - from the event loop - OnDocInput as the document
// arrives and finally exactly one of OnEndRetrieval or OnError. A request made while another
// is under way ends the earlier one with OnEndRetrieval first. Events are plain callbacks bound
// by assignment.
class HtmlView : public QTextBrowser {
    Q_OBJECT
  public:
    explicit HtmlView(QWidget* parent = nullptr);
    ~HtmlView() override;

    // Requests and displays the document at the address: "file://" + a local path (taken as
    // it stands, never percent-decoded), or an http, https or ftp address.
    void ShowURL(const std::string& url);
    // The selection as plain text. The two numbers are accepted for the callers' sake.
    std::string GetSelectedText(int start = -1, int end = -1) const;
    bool HasSelection() const;
    void SelectAll();
    const DocumentProgress& CurrentDocInput() const { return docInput_; }
    // The address of the displayed (or last requested) document.
    const std::string& URL() const { return url_; }
    // True from a request until its OnEndRetrieval or OnError.
    bool Retrieving() const { return retrieving_; }

    std::function<void(const std::string& url, bool& enableDefault)> OnDoRequestDoc;
    std::function<void(const DocumentProgress& input)> OnDocInput;
    std::function<void()> OnEndRetrieval;
    // The description may be changed; a handler that sets cancelDisplay keeps the control
    // from showing the error in its own page.
    std::function<void(int number, std::string& description, bool& cancelDisplay)> OnError;
    // X and Y relative to the control.
    std::function<void(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)>
        OnMousePressed;

    // The address text for a local file ("file://" + path).
    static std::string LocalFileURL(const std::string& path);

  protected:
    QVariant loadResource(int type, const QUrl& name) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    enum class Kind { Html, Text, Picture, Unknown };

    void Request(const QUrl& url, const std::string& text);
    void EndEarlierRequest();
    void RetrieveLocal(int generation, const QUrl& url);
    void RetrieveRemote(const QUrl& url, int redirectsLeft);
    void OnRemoteEnd(int generation, const QUrl& url, int redirectsLeft, const QString& file);
    void Display(const QUrl& url, const QByteArray& bytes, Kind kind);
    void Finish(int generation);
    void Fail(int generation, int number, std::string description);
    void LinkClicked(const QUrl& link);
    void FetchRemoteImage(const QUrl& url);
    void FetchNextImage();

    static Kind KindOfName(const QString& path);
    static QString UrlText(const QUrl& url);

    std::string url_;
    QUrl documentUrl_;
    DocumentProgress docInput_;
    bool retrieving_ = false;
    int generation_ = 0;  // the current request; late events of earlier ones are dropped

    std::unique_ptr<QTemporaryDir> downloads_;
    std::unique_ptr<Transfer> transfer_;  // the document's
    std::string remoteError_;
    std::unique_ptr<Transfer> imageTransfer_;
    std::map<QUrl, QImage> remoteImages_;  // pictures of web pages; a null image: failed
    std::vector<QUrl> imageQueue_;
    QUrl imageInFlight_;
    int downloadCount_ = 0;
};
