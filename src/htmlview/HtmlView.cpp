#include "htmlview/HtmlView.h"

#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTimer>

#include "core/FileNames.h"
#include "core/Text.h"
#include "imaging/Picture.h"
#include "transfer/FtpTransfer.h"
#include "transfer/HttpTransfer.h"

namespace {

constexpr qint64 ChunkBytes = 64 * 1024;
constexpr int MaxRedirects = 10;

bool IsWebScheme(const QString& scheme) {
    return scheme == "http" || scheme == "https" || scheme == "ftp";
}

// Pages carry no reliable word on their encoding; text that is valid UTF-8 is taken as UTF-8,
// anything else as the single-byte code page the old pages were written in.
QString DecodeText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) return text;
    return QString::fromLatin1(bytes);
}

bool LooksLikeText(const QByteArray& bytes) {
    return !bytes.left(4096).contains('\0');
}

QString ErrorPage(const QString& address, const QString& description) {
    return "<h3>The document cannot be shown</h3><p>" + address.toHtmlEscaped() + "</p><p>" +
           description.toHtmlEscaped() + "</p>";
}

}  // namespace

HtmlView::HtmlView(QWidget* parent) : QTextBrowser(parent) {
    setOpenLinks(false);
    setOpenExternalLinks(false);
    // The hosts open their own menu from OnMousePressed.
    setContextMenuPolicy(Qt::NoContextMenu);
    connect(this, &QTextBrowser::anchorClicked, this, &HtmlView::LinkClicked);
}

HtmlView::~HtmlView() = default;

std::string HtmlView::LocalFileURL(const std::string& path) {
    return "file://" + path;
}

QString HtmlView::UrlText(const QUrl& url) {
    if (url.isLocalFile()) {
        QString text = "file://" + url.toLocalFile();
        if (url.hasFragment()) text += "#" + url.fragment();
        return text;
    }
    return url.toString();
}

HtmlView::Kind HtmlView::KindOfName(const QString& path) {
    const std::string ext = LowerCase(FileExtension(path.toStdString()));
    if (ext == ".html" || ext == ".htm" || ext == ".shtml" || ext == ".shtm" || ext == ".asp")
        return Kind::Html;
    if (ext == ".txt") return Kind::Text;
    if (PictureKindOfExtension(ext) != PictureKind::Unknown) return Kind::Picture;
    return Kind::Unknown;
}

void HtmlView::ShowURL(const std::string& url) {
    const QString text = QString::fromStdString(url);
    QUrl target;
    if (text.startsWith("file:", Qt::CaseInsensitive)) {
        // Local paths are passed raw: a "%" in a file name is a "%".
        QString path = text.mid(5);
        while (path.startsWith("//")) path.remove(0, 1);
        target = QUrl::fromLocalFile(path);
    } else {
        target = QUrl(text);
        if (target.isRelative()) target = QUrl::fromLocalFile(text);
    }
    Request(target, url);
}

void HtmlView::LinkClicked(const QUrl& link) {
    const QUrl target = documentUrl_.resolved(link);
    if (target.adjusted(QUrl::RemoveFragment) == documentUrl_.adjusted(QUrl::RemoveFragment) &&
        target.hasFragment()) {
        scrollToAnchor(target.fragment());  // a jump inside the page retrieves nothing
        return;
    }
    Request(target, UrlText(target).toStdString());
}

void HtmlView::EndEarlierRequest() {
    if (!retrieving_) return;
    ++generation_;  // late events of the earlier transfer are dropped
    if (transfer_ && transfer_->Busy()) transfer_->Cancel();
    retrieving_ = false;
    if (OnEndRetrieval) OnEndRetrieval();
}

void HtmlView::Request(const QUrl& url, const std::string& text) {
    EndEarlierRequest();
    bool enableDefault = true;
    if (OnDoRequestDoc) OnDoRequestDoc(text, enableDefault);

    const int generation = ++generation_;
    retrieving_ = true;
    docInput_ = {};
    if (!enableDefault) {  // the host keeps it from being retrieved; the request still ends
        QTimer::singleShot(0, this, [this, generation] { Finish(generation); });
        return;
    }
    url_ = text;
    if (IsWebScheme(url.scheme())) {
        RetrieveRemote(url, MaxRedirects);
    } else {
        QTimer::singleShot(0, this, [this, generation, url] { RetrieveLocal(generation, url); });
    }
}

void HtmlView::RetrieveLocal(int generation, const QUrl& url) {
    if (generation != generation_) return;
    if (!url.isLocalFile()) {
        Fail(generation, HtmlErrorUnsupported,
             "Addresses of the kind \"" + url.scheme().toStdString() + ":\" cannot be shown");
        return;
    }
    const QString path = url.toLocalFile();
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
        Fail(generation, HtmlErrorFile,
             "Cannot open file \"" + path.toStdString() + "\". " +
                 (QFileInfo(path).isDir() ? std::string("It is a folder.")
                                          : file.errorString().toStdString()));
        return;
    }
    docInput_.ExpectedBytes = file.size();
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(file.size()));
    for (;;) {
        const QByteArray chunk = file.read(ChunkBytes);
        if (chunk.isEmpty()) break;
        bytes += chunk;
        docInput_.ReceivedBytes = bytes.size();
        docInput_.ExpectedBytes = std::max(docInput_.ExpectedBytes, docInput_.ReceivedBytes);
        if (OnDocInput) OnDocInput(docInput_);
        if (generation != generation_) return;  // a handler asked for another document
    }
    if (file.error() != QFileDevice::NoError) {
        Fail(
            generation, HtmlErrorFile,
            "Cannot read file \"" + path.toStdString() + "\". " + file.errorString().toStdString());
        return;
    }
    Kind kind = KindOfName(path);
    if (kind == Kind::Unknown && LooksLikeText(bytes))
        kind = bytes.left(1024).toLower().contains("<html") ? Kind::Html : Kind::Text;
    Display(url, bytes, kind);
    Finish(generation);
}

void HtmlView::RetrieveRemote(const QUrl& url, int redirectsLeft) {
    if (!downloads_) downloads_ = std::make_unique<QTemporaryDir>();
    const bool ftp = url.scheme() == "ftp";
    if (transfer_ && transfer_->Busy()) transfer_->Cancel();
    if (ftp)
        transfer_ = std::make_unique<FtpTransfer>();
    else
        transfer_ = std::make_unique<HttpTransfer>();
    const int generation = generation_;
    const QString file = downloads_->filePath("document-" + QString::number(++downloadCount_));
    transfer_->OnProgress = [this, generation, url, redirectsLeft, file](const TransferProgress& d) {
        if (generation != generation_) return;
        if (d.State == TransferProgress::Data) {
            docInput_.ExpectedBytes = d.TotalSize;
            docInput_.ReceivedBytes = d.BytesTransferred;
            if (OnDocInput) OnDocInput(docInput_);
        } else if (d.State == TransferProgress::Error) {
            remoteError_ = d.ErrorText;
        } else if (d.State == TransferProgress::End) {
            OnRemoteEnd(generation, url, redirectsLeft, file);
        }
    };
    remoteError_.clear();
    transfer_->GetDoc(url.toString(QUrl::FullyEncoded).toStdString(), "", file.toStdString());
}

void HtmlView::OnRemoteEnd(int generation, const QUrl& url, int redirectsLeft, const QString& file) {
    if (!remoteError_.empty()) {
        Fail(generation, HtmlErrorTransfer, remoteError_);
        return;
    }
    const int status = transfer_->StatusCode();
    const bool http = url.scheme() != "ftp";
    if (http && status >= 300 && status < 400) {
        const std::string location = transfer_->ReplyHeader("Location");
        if (!location.empty()) {
            if (redirectsLeft <= 0) {
                Fail(generation, HtmlErrorRedirects, "Too many redirections");
                return;
            }
            const QUrl next = url.resolved(QUrl(QString::fromStdString(location)));
            url_ = UrlText(next).toStdString();
            // Leave the transfer's own handler before replacing the control.
            QTimer::singleShot(0, this, [this, generation, next, redirectsLeft] {
                if (generation == generation_) RetrieveRemote(next, redirectsLeft - 1);
            });
            return;
        }
    }
    if (http && status >= 400) {
        Fail(generation, status,
             "The server answered " + std::to_string(status) + " " + transfer_->ReplyText());
        return;
    }
    QFile in(file);
    in.open(QIODevice::ReadOnly);
    const QByteArray bytes = in.readAll();
    in.close();
    QFile::remove(file);

    Kind kind = KindOfName(url.path());
    const QString type =
        QString::fromStdString(transfer_->ReplyHeader("Content-Type")).toLower().trimmed();
    if (type.startsWith("text/html"))
        kind = Kind::Html;
    else if (type.startsWith("text/plain"))
        kind = Kind::Text;
    else if (type.startsWith("image/"))
        kind = Kind::Picture;
    else if (kind == Kind::Unknown && (url.path().isEmpty() || url.path().endsWith('/')))
        kind = Kind::Html;  // a folder address: the server's index page
    if (kind == Kind::Unknown && LooksLikeText(bytes)) kind = Kind::Text;
    docInput_.ExpectedBytes = std::max<std::int64_t>(docInput_.ExpectedBytes, bytes.size());
    docInput_.ReceivedBytes = bytes.size();
    Display(url, bytes, kind);
    Finish(generation);
}

void HtmlView::Display(const QUrl& url, const QByteArray& bytes, Kind kind) {
    const int generation = generation_;
    QUrl base = url.adjusted(QUrl::RemoveFragment);
    switch (kind) {
        case Kind::Html:
        case Kind::Text: {
            remoteImages_.clear();
            imageQueue_.clear();
            documentUrl_ = base;
            document()->setBaseUrl(base);
            const QString text = DecodeText(bytes);
            if (kind == Kind::Html)
                setHtml(text);
            else
                setHtml("<pre>" + text.toHtmlEscaped() + "</pre>");
            document()->setBaseUrl(base);
            if (url.hasFragment())
                scrollToAnchor(url.fragment());
            else
                verticalScrollBar()->setValue(0);
            break;
        }
        case Kind::Picture: {
            std::string error;
            const QImage image = DecodePicture(
                reinterpret_cast<const unsigned char*>(bytes.constData()),
                static_cast<std::size_t>(bytes.size()), url.path().toStdString(), error);
            if (image.isNull()) {
                Fail(generation, HtmlErrorUnsupported, error);
                return;
            }
            remoteImages_.clear();
            imageQueue_.clear();
            documentUrl_ = base;
            document()->setBaseUrl(base);
            document()->addResource(QTextDocument::ImageResource, base, image);
            setHtml("<img src=\"" + base.toString(QUrl::FullyEncoded).toHtmlEscaped() + "\">");
            document()->addResource(QTextDocument::ImageResource, base, image);
            break;
        }
        case Kind::Unknown:
            Fail(generation, HtmlErrorUnsupported,
                 "This kind of document cannot be shown: " + UrlText(url).toStdString());
            return;
    }
}

void HtmlView::Finish(int generation) {
    if (generation != generation_ || !retrieving_) return;
    retrieving_ = false;
    if (OnEndRetrieval) OnEndRetrieval();
}

void HtmlView::Fail(int generation, int number, std::string description) {
    if (generation != generation_ || !retrieving_) return;
    retrieving_ = false;
    bool cancelDisplay = false;
    if (OnError) OnError(number, description, cancelDisplay);
    if (!cancelDisplay) {
        documentUrl_ = QUrl();
        setHtml(ErrorPage(QString::fromStdString(url_), QString::fromStdString(description)));
    }
}

QVariant HtmlView::loadResource(int type, const QUrl& name) {
    const QUrl url = documentUrl_.resolved(name);
    if (type == QTextDocument::ImageResource) {
        if (url.isLocalFile()) {
            QFile file(url.toLocalFile());
            if (!file.open(QIODevice::ReadOnly)) return {};
            const QByteArray bytes = file.readAll();
            std::string error;
            QImage image = DecodePicture(reinterpret_cast<const unsigned char*>(bytes.constData()),
                                         static_cast<std::size_t>(bytes.size()),
                                         url.toLocalFile().toStdString(), error);
            if (image.isNull()) return {};
            return image;
        }
        if (IsWebScheme(url.scheme())) {
            const auto found = remoteImages_.find(url);
            if (found != remoteImages_.end()) {
                if (found->second.isNull()) return {};
                return found->second;
            }
            FetchRemoteImage(url);
            return {};
        }
        return {};
    }
    if (type == QTextDocument::StyleSheetResource && url.isLocalFile()) {
        QFile file(url.toLocalFile());
        if (!file.open(QIODevice::ReadOnly)) return {};
        return DecodeText(file.readAll());
    }
    return {};
}

// Pictures of web pages arrive after the page: one at a time, each shown as it comes.
void HtmlView::FetchRemoteImage(const QUrl& url) {
    if (url == imageInFlight_) return;
    for (const QUrl& queued : imageQueue_)
        if (queued == url) return;
    imageQueue_.push_back(url);
    if (imageInFlight_.isEmpty()) QTimer::singleShot(0, this, [this] { FetchNextImage(); });
}

void HtmlView::FetchNextImage() {
    if (!imageInFlight_.isEmpty() || imageQueue_.empty()) return;
    imageInFlight_ = imageQueue_.front();
    imageQueue_.erase(imageQueue_.begin());
    if (!downloads_) downloads_ = std::make_unique<QTemporaryDir>();
    const QString file = downloads_->filePath("picture-" + QString::number(++downloadCount_));
    if (imageInFlight_.scheme() == "ftp")
        imageTransfer_ = std::make_unique<FtpTransfer>();
    else
        imageTransfer_ = std::make_unique<HttpTransfer>();
    const QUrl url = imageInFlight_;
    imageTransfer_->OnProgress = [this, url, file](const TransferProgress& d) {
        if (d.State != TransferProgress::End) return;
        QImage image;
        const int status = imageTransfer_->StatusCode();
        if (imageTransfer_->ErrorText().empty() && status < 300) {
            QFile in(file);
            in.open(QIODevice::ReadOnly);
            const QByteArray bytes = in.readAll();
            std::string error;
            image = DecodePicture(reinterpret_cast<const unsigned char*>(bytes.constData()),
                                  static_cast<std::size_t>(bytes.size()), url.path().toStdString(),
                                  error);
        }
        QFile::remove(file);
        imageInFlight_ = QUrl();
        // A picture of an earlier page is of no use any more.
        if (url.isValid() && documentUrl_.isValid()) {
            remoteImages_[url] = image;
            if (!image.isNull()) document()->markContentsDirty(0, document()->characterCount());
        }
        QTimer::singleShot(0, this, [this] { FetchNextImage(); });
    };
    imageTransfer_->GetDoc(url.toString(QUrl::FullyEncoded).toStdString(), "", file.toStdString());
}

std::string HtmlView::GetSelectedText(int start, int end) const {
    (void)start;
    (void)end;
    // Pictures stand in the document as object-replacement characters; the text has none.
    QString text = textCursor().selection().toPlainText();
    text.remove(QChar::ObjectReplacementCharacter);
    return text.toStdString();
}

bool HtmlView::HasSelection() const {
    return textCursor().hasSelection();
}

void HtmlView::SelectAll() {
    selectAll();
}

void HtmlView::mousePressEvent(QMouseEvent* event) {
    if (OnMousePressed) {
        const QPoint at = viewport()->mapTo(this, event->position().toPoint());
        OnMousePressed(event->button(), event->modifiers(), at.x(), at.y());
    }
    QTextBrowser::mousePressEvent(event);
}
