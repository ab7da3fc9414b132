#pragma once
// ivLeft: the scrolling grid of object thumbnails on the left panel. Items are the files of a
// folder that match a mask; each cell shows its picture scaled down to fit, without a caption.
// Pictures are decoded the first time their cell is drawn, so listing hundreds of thumbnails
// costs no decoding; a file that cannot be decoded is dropped from the list at that moment.
#include <QAbstractScrollArea>
#include <QImage>
#include <QString>
#include <QStringList>

#include <string>
#include <vector>

namespace lumetta::ui {

class TThumbnailList : public QAbstractScrollArea {
    Q_OBJECT
public:
    static constexpr int kCellWidth = 122;
    static constexpr int kCellHeight = 92;
    static constexpr int kGap = 6;
    static constexpr int kMargin = 5;
    static constexpr int kScrollStep = 53;

    explicit TThumbnailList(QWidget* parent = nullptr);

    // Setting folders or a mask different from the current ones lists the items again. With
    // several folders a thumbnail of an earlier folder hides one of the same object name in a
    // later folder (the user's imported objects over the shipped ones).
    void SetFolders(const QStringList& folders);
    void SetFileMask(const QString& mask);
    QStringList Folders() const { return folders_; }
    QString FileMask() const { return mask_; }
    int ObjectKind = 2;

    int Count() const { return int(items_.size()); }
    QString ItemPath(int index) const;
    int SelectedIndex() const { return selected_; }
    void SetSelectedIndex(int index);
    // The cell rectangle of an item in viewport coordinates (scrolled).
    QRect CellRect(int index) const;
    int IndexAt(const QPoint& viewportPoint) const;
    // The item's picture as shown (decoding it now if needed); null when it cannot be decoded.
    QImage Thumbnail(int index);
    int HotIndex() const { return hot_; }

signals:
    // The left button went down on an item (already selected); a drag may follow.
    void itemPressed(int index);
    void itemDoubleClicked(int index);
    // A drag of the pressed item is about to start (the data is the item's picture).
    void dragStarting(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    struct Item {
        QString path;
        QImage picture; // scaled to fit the cell; null until decoded
        bool decoded = false;
    };
    void Reload();
    void UpdateScrollBar();
    int Columns() const;
    bool Decode(Item& item);
    void StartDrag(int index);

    QStringList folders_;
    QString mask_ = QStringLiteral("*.jpg");
    std::vector<Item> items_;
    int selected_ = -1;
    int hot_ = -1;
    bool pressPending_ = false;
    QPoint pressPoint_;
};

} // namespace lumetta::ui
