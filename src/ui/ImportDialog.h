#pragma once
// The Import Object dialog: picks an object pack (.psp) and unpacks it into the folder of the
// user's objects (the program folder while that is writable, see tools/AppPaths.h).
#include "ui/DialogContext.h"

#include <QDialog>

class QLineEdit;
class QProgressBar;
class QPushButton;
class QToolButton;

namespace lumetta::ui {

// Import Objects: shows the dialog modally, with the pack's path already filled in when one is
// given (a pack opened from the desktop). True when the user agreed to end the program so that
// the imported objects are read at the next start.
bool RunImportDialog(const TDialogContext& context, const QString& packPath = {});

class TfrmAddObject : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAddObject(const TDialogContext& context);

    // Unpacks the pack named in the edit into the user's object folder, records its version digit
    // and asks for a restart. A path that names no file does nothing. Failures propagate.
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
