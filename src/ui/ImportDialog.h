#pragma once
// The Import Object dialog: picks an object pack (.psp) and unpacks it into the program folder.
#include "ui/DialogContext.h"

#include <QDialog>

class QLineEdit;
class QProgressBar;
class QPushButton;
class QToolButton;

namespace lumetta::ui {

class TfrmAddObject : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAddObject(const TDialogContext& context);

    // Unpacks the pack named in the edit into the program folder, records its version digit and
    // asks for a restart. A path that names no file does nothing. Failures propagate.
    void btnImportClick();
    void btnDownClick();
    void SelectFileClick();

    // True once the user answered Yes to the restart question; the dialog has closed then.
    bool RestartRequested() const { return restartRequested_; }

    QLineEdit* edtSelFile;
    QToolButton* btnSelFile;
    QPushButton* btnImport;
    QPushButton* btnDown;
    QPushButton* btnClose;
    QProgressBar* ProgressDonw;

private:
    TDialogContext owner_;
    bool restartRequested_ = false;
};

} // namespace lumetta::ui
