// A small drag source for checking drops from another program over real X11 drag and drop:
// shows a window; pressing the mouse in it starts a drag of the files named on the command line.
#include <QApplication>
#include <QDrag>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

#include <cstdio>
#include <memory>
#include <utility>

namespace {

class DragSource final : public QLabel {
public:
    explicit DragSource(QList<QUrl> urls) : urls_(std::move(urls)) {
        setWindowTitle(QStringLiteral("Drag source"));
        setText(QStringLiteral("Drag me"));
        setAlignment(Qt::AlignCenter);
        resize(120, 80);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) {
            return;
        }
        // The drop target fetches the data after exec has returned, so the drag must outlive
        // this handler: it is owned by the window, and it owns its data.
        auto* drag = new QDrag(this);
        auto mime = std::make_unique<QMimeData>();
        mime->setUrls(urls_);
        drag->setMimeData(mime.release());
        const Qt::DropAction done = drag->exec(Qt::CopyAction);
        std::printf("drop finished: %s\n", done == Qt::CopyAction ? "copied" : "refused");
        std::fflush(stdout);
    }

private:
    QList<QUrl> urls_;
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QList<QUrl> urls;
    for (int i = 1; i < argc; ++i) {
        urls.append(
            QUrl::fromLocalFile(QFileInfo(QString::fromLocal8Bit(argv[i])).absoluteFilePath()));
    }
    DragSource source(urls);
    source.move(620, 20);
    source.show();
    return QApplication::exec();
}
