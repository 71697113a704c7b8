// HtmlView: shows one HTML page from a file, with pictures and links that
// are relative to the page's folder, and follows the links itself.
#pragma once

#include <QString>
#include <QTextBrowser>
#include <QUrl>

namespace vellum {

class HtmlView : public QTextBrowser {
    Q_OBJECT

public:
    explicit HtmlView(QWidget* parent = nullptr);

    // Reads the HTML file at `path` and shows it; relative pictures and links
    // resolve against the file's folder. On failure the view is left empty and
    // false is returned; lastError() then says why.
    bool loadFile(const QString& path);

    // Follows a link as a click on it does: a fragment scrolls the current
    // page, a local page is loaded, a web or mail address goes to the desktop.
    // A local page that cannot be loaded leaves the current page shown and
    // emits loadFailed().
    void followLink(const QUrl& link);

    // Full path of the page shown, empty when none.
    QString currentFile() const { return currentFile_; }
    QString lastError() const { return lastError_; }

    // Pictures, style sheets and pages named by the page shown, relative
    // names resolved against its folder.
    QVariant loadResource(int type, const QUrl& name) override;

signals:
    // A link inside a page named a page that could not be loaded.
    void loadFailed(const QString& message);

private:
    void display(const QString& fullPath, const QByteArray& data);

    QString currentFile_;
    QString lastError_;
};

// Reads a whole file; on failure returns false and puts a readable reason
// (naming the file) into `error`.
bool ReadWholeFile(const QString& path, QByteArray& data, QString& error);

}  // namespace vellum
