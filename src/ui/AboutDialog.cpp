#include "ui/AboutDialog.h"

#include "ui/PlatformServices.h"
#include "ui/WelcomeView.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace lumetta::ui {

QString HomePageUrl() {
    return QStringLiteral("%1?ty=%2&ver=%3")
        .arg(QLatin1String(kHomeSite), QLatin1String(kProductCode), QLatin1String(kAppVersion));
}

QString DownloadPageUrl(const std::string& pspVer) {
    return QLatin1String(kHomeSite) + QStringLiteral("downpspack.php?VER=") +
           QString::fromStdString(pspVer);
}

QLabel* MakeLeftPanelLabel(const TBitmap32* banner, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QStringLiteral("imgLeft"));
    if (banner && !banner->Empty()) {
        // A deep copy: the pixmap must not depend on the bitmap's buffer staying unchanged.
        label->setPixmap(QPixmap::fromImage(ImageOf(*banner).copy()));
        label->setFixedSize(banner->Width(), banner->Height());
    }
    label->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    return label;
}

void CentreOnScreen(QWidget* dialog) {
    const QScreen* screen = dialog->screen() ? dialog->screen() : QApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const QSize size = dialog->frameGeometry().size().expandedTo(dialog->size());
    dialog->move(area.center() - QPoint(size.width() / 2, size.height() / 2));
}

// ---------------------------------------------------------------- the name label

TShadowLabel::TShadowLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    QFont f = font();
    f.setPointSize(22);
    f.setBold(true);
    setFont(f);
}

QSize TShadowLabel::sizeHint() const {
    const QFontMetrics metrics(font());
    return QSize(metrics.horizontalAdvance(text()) + 2, metrics.height() + 1);
}

void TShadowLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(font());
    const QRect box = rect().adjusted(0, 0, -1, -1);
    painter.setPen(QColor(128, 128, 128));
    painter.drawText(box.translated(1, 1), Qt::AlignLeft | Qt::AlignVCenter, text());
    painter.setPen(QColor(255, 0, 0));
    painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, text());
}

// ---------------------------------------------------------------- the dialog

namespace {
QLabel* MakeLink(const QString& text, const QString& objectName, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(objectName);
    label->setText(
        QStringLiteral("<a href=\"#\" style=\"color:#0000ff;\">%1</a>").arg(text.toHtmlEscaped()));
    label->setTextFormat(Qt::RichText);
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    label->setCursor(Qt::PointingHandCursor);
    label->setToolTip(text);
    return label;
}
} // namespace

TfrmAbout::TfrmAbout(const TDialogContext& context) : QDialog(context.parent) {
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(QStringLiteral("About"));
    setObjectName(QStringLiteral("frmAbout"));

    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 12, 10);
    outer->setSpacing(14);
    imgLeft = MakeLeftPanelLabel(context.leftPanelBitmap, this);
    outer->addWidget(imgLeft, 0, Qt::AlignTop);

    auto* right = new QVBoxLayout;
    right->setContentsMargins(0, 14, 0, 0);
    right->setSpacing(8);
    outer->addLayout(right, 1);

    lbAppName = new TShadowLabel(QStringLiteral("Lumetta"), this);
    lbAppName->setObjectName(QStringLiteral("lbAppName"));
    right->addWidget(lbAppName);

    auto* version = new QHBoxLayout;
    version->setSpacing(8);
    LabelVerT = new QLabel(QStringLiteral("Version"), this);
    LabelVerT->setObjectName(QStringLiteral("LabelVerT"));
    LabelVer = new QLabel(QLatin1String(kAppVersion), this);
    LabelVer->setObjectName(QStringLiteral("LabelVer"));
    version->addWidget(LabelVerT);
    version->addWidget(LabelVer);
    version->addStretch(1);
    right->addLayout(version);

    lbNotice = new QLabel(
        QStringLiteral("Decorate your photographs with frames, masks, clip art and text."), this);
    lbNotice->setObjectName(QStringLiteral("lbNotice"));
    lbNotice->setWordWrap(true);
    right->addWidget(lbNotice);
    right->addSpacing(6);

    auto* links = new QGridLayout;
    links->setHorizontalSpacing(10);
    links->setVerticalSpacing(6);
    const QString site = QLatin1String(kHomeSite);
    const QString mail = QLatin1String(kSupportEmail);
    LinkLabelUrl = MakeLink(site, QStringLiteral("LinkLabelUrl"), this);
    LinkLabelUrlEmail = MakeLink(mail, QStringLiteral("LinkLabelUrlEmail"), this);
    links->addWidget(new QLabel(QStringLiteral("HomePage:"), this), 0, 0);
    links->addWidget(LinkLabelUrl, 0, 1);
    links->addWidget(new QLabel(QStringLiteral("E-mail:"), this), 1, 0);
    links->addWidget(LinkLabelUrlEmail, 1, 1);
    links->setColumnStretch(1, 1);
    right->addLayout(links);
    right->addStretch(1);

    connect(LinkLabelUrl, &QLabel::linkActivated, this, [context] {
        context.Run(
            [context] { OpenWithDesktop(context.Services(), context.parent, HomePageUrl()); });
    });
    connect(LinkLabelUrlEmail, &QLabel::linkActivated, this, [context, mail] {
        context.Run([context, mail] {
            OpenWithDesktop(context.Services(), context.parent, QStringLiteral("mailto:") + mail);
        });
    });

    btnAboutYes = new QPushButton(QStringLiteral("Close"), this);
    btnAboutYes->setObjectName(QStringLiteral("btnAboutYes"));
    btnAboutYes->setDefault(true);
    connect(btnAboutYes, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnAboutYes);
    right->addLayout(buttons);

    setFixedSize(sizeHint().expandedTo(QSize(400, 210)));
    CentreOnScreen(this);
}

} // namespace lumetta::ui
