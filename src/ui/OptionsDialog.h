#pragma once
// The Standard Option dialog: JPEG quality and the welcome page's colour and picture, previewed
// live on the welcome page while the dialog is open.
#include <QColor>
#include <QDialog>
#include <QFrame>

#include "ui/DialogContext.h"

#include <cstdint>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSlider;

namespace lumetta::ui {

// Settings keep colours as 0x00BBGGRR (red in the low byte).
QColor ColorFromSetting(std::int32_t value);
std::int32_t SettingFromColor(const QColor& color);

// The file of that name in the folder, matched without regard to letter case; empty when none.
std::string FindFileIgnoringCase(const std::string& folder, const std::string& name);

// A rectangle filled with a colour; any mouse button pressed on it raises pressed().
class TColorSwatch : public QFrame {
    Q_OBJECT
public:
    explicit TColorSwatch(QWidget* parent = nullptr);
    void SetColor(const QColor& color);
    QColor Color() const { return color_; }

signals:
    void pressed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QColor color_;
};

class TfrmOption : public QDialog {
    Q_OBJECT
public:
    explicit TfrmOption(const TDialogContext& context);

    // The colour dialog: on OK the swatch and the welcome page take the colour.
    void spDesktopColorMouseDown();
    // Loads the named Desktop picture onto the welcome page; failures are ignored.
    void cbDesktopImageChange(const QString& text);
    // Stores the settings and closes.
    void btnSaveClick();
    // Puts the stored colour and picture back on the welcome page and closes; a stored picture
    // that cannot be loaded is reported after the dialog has closed.
    void btnCancelClick();

    QLabel* imgLeft;
    QCheckBox* cbJpgCompress;
    QLabel* lbCompress;
    QLabel* lbQualityValue;
    QSlider* SpinCompress;
    QLabel* lbDesktopColor;
    TColorSwatch* spDesktopColor;
    QLabel* lbDesktopImage;
    QComboBox* cbDesktopImage;
    // Photos: turned upright by their orientation tag; fitted to the window when larger.
    QCheckBox* cbUprightPhotos;
    QCheckBox* cbFitNewPhotos;
    QPushButton* btnSave;
    QPushButton* btnCancel;

private:
    void LoadDesktopPicture(const std::string& name);

    TDialogContext owner_;
    QColor lastChosen_ = Qt::black; // where the colour dialog starts
};

} // namespace lumetta::ui
