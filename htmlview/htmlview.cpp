#include "htmlview.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QPalette>
#include <QStringDecoder>
#include <QTextDocument>

namespace vellum {
namespace {

// Body text in "Times New Roman", preformatted text in "Courier New"; where
// those faces are missing, fontconfig picks their metric twins.
constexpr const char* kBodyFace = "Times New Roman";
constexpr int kBodyPointSize = 12;
constexpr const char* kPreformattedCss =
    "pre, code, tt, kbd, samp { font-family: 'Courier New'; }";

bool IsWebAddress(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
           scheme == QLatin1String("mailto") || scheme == QLatin1String("ftp");
}

bool IsLocal(const QUrl& url) {
    return url.scheme().isEmpty() || url.isLocalFile();
}

QString DecodeHtml(const QByteArray& data) {
    QStringDecoder decoder = QStringDecoder::decoderForHtml(data);
    if (!decoder.isValid())
        return QString::fromLatin1(data);
    return decoder.decode(data);
}

}  // namespace

bool ReadWholeFile(const QString& path, QByteArray& data, QString& error) {
    const QFileInfo info(path);
    QString reason;
    if (!info.exists())
        reason = QStringLiteral("No such file or directory");
    else if (info.isDir())
        reason = QStringLiteral("Is a directory");
    else {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            data = file.readAll();
            if (file.error() == QFileDevice::NoError)
                return true;
        }
        reason = file.errorString();
    }
    data.clear();
    error = QStringLiteral("Cannot open file \"%1\". %2").arg(QDir::toNativeSeparators(path), reason);
    return false;
}

HtmlView::HtmlView(QWidget* parent) : QTextBrowser(parent) {
    QPalette colours = palette();
    colours.setColor(QPalette::Base, Qt::white);
    colours.setColor(QPalette::Text, Qt::black);
    setPalette(colours);

    setFrameShape(QFrame::Box);
    setFrameShadow(QFrame::Plain);
    setLineWidth(1);

    QFont body(QString::fromLatin1(kBodyFace), kBodyPointSize);
    body.setStyleHint(QFont::Serif);
    document()->setDefaultFont(body);
    document()->setDefaultStyleSheet(QString::fromLatin1(kPreformattedCss));

    setTextInteractionFlags(Qt::TextBrowserInteraction);

    // Links are ours to follow: QTextBrowser's own navigation would keep a
    // history and resolve against a source we never set.
    setOpenLinks(false);
    setOpenExternalLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, &HtmlView::followLink);
}

bool HtmlView::loadFile(const QString& path) {
    const QString full = QFileInfo(path).absoluteFilePath();
    QByteArray data;
    if (!ReadWholeFile(full, data, lastError_)) {
        currentFile_.clear();
        document()->setBaseUrl(QUrl());
        clear();
        return false;
    }
    display(full, data);
    return true;
}

void HtmlView::followLink(const QUrl& link) {
    if (IsWebAddress(link)) {
        QDesktopServices::openUrl(link);
        return;
    }
    QUrl target = link;
    if (link.isRelative() && !currentFile_.isEmpty())
        target = QUrl::fromLocalFile(currentFile_).resolved(link);
    if (!IsLocal(target))
        return;

    const QString path = target.toLocalFile();
    if (path.isEmpty() || QFileInfo(path).absoluteFilePath() == currentFile_) {
        if (target.hasFragment())
            scrollToAnchor(target.fragment());
        return;
    }
    const QString full = QFileInfo(path).absoluteFilePath();
    QByteArray data;
    QString error;
    if (!ReadWholeFile(full, data, error)) {
        lastError_ = error;
        emit loadFailed(error);
        return;
    }
    display(full, data);
    if (target.hasFragment())
        scrollToAnchor(target.fragment());
}

void HtmlView::display(const QString& full, const QByteArray& data) {
    // The file must be known before the text is set: laying the page out
    // already asks loadResource() for its pictures.
    lastError_.clear();
    currentFile_ = full;
    document()->setBaseUrl(QUrl::fromLocalFile(full));
    setHtml(DecodeHtml(data));
}

QVariant HtmlView::loadResource(int type, const QUrl& name) {
    QUrl target = name;
    if (name.isRelative() && !currentFile_.isEmpty())
        target = QUrl::fromLocalFile(currentFile_).resolved(name);
    if (!target.isLocalFile())
        return QTextBrowser::loadResource(type, name);
    QByteArray data;
    QString error;
    if (!ReadWholeFile(target.toLocalFile(), data, error))
        return QVariant();
    return data;
}

}  // namespace vellum
