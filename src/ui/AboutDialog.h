#pragma once
// The About box, and the addresses of the vendor's web pages that the Help and Tools menus open.
#include "LumettaBuild.h"

#include <QDialog>
#include <QLabel>

#include "ui/DialogContext.h"

#include <string>

class QPushButton;

namespace lumetta::ui {

inline constexpr const char* kAppVersion = kLumettaVersion; // from CMake's project()
inline constexpr const char* kHomeSite = "https://lumetta.example.org/";
inline constexpr const char* kProductCode = "lumetta";
inline constexpr const char* kSupportEmail = "support@lumetta.example.org";

// The home page with the product code and the program's version:
// "https://lumetta.example.org/?ty=lumetta&ver=2.3".
QString HomePageUrl();
// The pack download page with the version digit of the last imported pack, passed unchanged.
QString DownloadPageUrl(const std::string& pspVer);

// The application name in large bold red letters over a shadow one pixel down and right.
class TShadowLabel : public QLabel {
    Q_OBJECT
public:
    TShadowLabel(const QString& text, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
};

class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAbout(const TDialogContext& context);

    QLabel* imgLeft;
    TShadowLabel* lbAppName;
    QLabel* LabelVerT;
    QLabel* LabelVer;
    QLabel* lbNotice;
    QLabel* LinkLabelUrl;
    QLabel* LinkLabelUrlEmail;
    QPushButton* btnAboutYes;
};

// The banner at the left of the Options and About dialogs, shown at its natural size.
QLabel* MakeLeftPanelLabel(const TBitmap32* banner, QWidget* parent);
// Moves a dialog to the middle of the screen it is on.
void CentreOnScreen(QWidget* dialog);

} // namespace lumetta::ui
