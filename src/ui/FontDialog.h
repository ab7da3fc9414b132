#pragma once
// The font dialog of the text window: face, size, style, underline and strike-out from Qt's own
// font chooser, plus the text colour, chosen together in one dialog.
#include "imaging/Bitmap32.h"

#include <QDialog>

class QFontDialog;
class QLabel;
class QPushButton;

namespace lumetta::ui {

class TFontColorDialog : public QDialog {
    Q_OBJECT
public:
    TFontColorDialog(const TFontDesc& start, QWidget* parent = nullptr);

    TFontDesc SelectedFont() const;
    QColor SelectedColor() const { return color_; }
    void SetColor(const QColor& color);

private:
    void UpdateSample();

    QFontDialog* fonts_;
    QPushButton* colorButton_;
    QLabel* sample_;
    QColor color_;
    TFontDesc start_;
};

} // namespace lumetta::ui
