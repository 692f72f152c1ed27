// The report dialog.
#include "FCrashReportForm.h"

#include "UCrashMail.h"
#include "UMultiLang.h"
#include "UShellOpen.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStandardPaths>
#include <QVBoxLayout>

TCrashReportForm::TCrashReportForm(const QString& message, const QString& className, const QString& reportPath,
                                   QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      FClassName(className),
      FMessageText(Translate(message).replace(QLatin1Char('\t'), QStringLiteral("   "))),
      FReportPath(reportPath) {
    setObjectName(QStringLiteral("TCrashReportForm"));
    setWindowTitle(Translate(QStringLiteral("Rapport d'erreur")));
    setFixedSize(618, 418);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(10);

    auto* notice = new QLabel(
        Translate(QStringLiteral(
            "Un événement imprévu vient d'avoir lieu, le système d'exploitation et/ou l'application sont "
            "potentiellement devenus instable, afin de préserver l'intégrité des données déjà enregistrées, "
            "l'application va être fermée.")),
        this);
    notice->setObjectName(QStringLiteral("LBNotice"));
    notice->setWordWrap(true);
    layout->addWidget(notice);

    FScroll = new QScrollArea(this);
    FScroll->setObjectName(QStringLiteral("SBMessage"));
    FScroll->setWidgetResizable(true);
    FMessage = new QLabel(FMessageText);
    FMessage->setObjectName(QStringLiteral("LBMessage"));
    FMessage->setTextFormat(Qt::PlainText);
    FMessage->setTextInteractionFlags(Qt::TextSelectableByMouse);
    FMessage->setMargin(6);
    QFont bold = FMessage->font();
    bold.setBold(true);
    FMessage->setFont(bold);
    FScroll->setWidget(FMessage);
    layout->addWidget(FScroll, 1);

    auto* bottom = new QLabel(
        Translate(QStringLiteral(
            "Un rapport contenant des détails sur l'erreur a été généré, vous pouvez le consulter à l'aide des "
            "boutons ci-dessous ou l'envoyer au support technique Veltrano pour investigations. Dans ce dernier "
            "cas, merci de préciser au mieux le contexte et les actions qui ont conduit à cette erreur.\r\n\r\n"
            "Merci de ne pas envoyer une capture d'écran de cet écran mais bien le rapport d'erreur.")),
        this);
    bottom->setObjectName(QStringLiteral("LBReport"));
    bottom->setWordWrap(true);
    layout->addWidget(bottom);

    auto* buttons = new QHBoxLayout;
    FDetails = new QPushButton(Translate(QStringLiteral("Consulter les détails...")), this);
    FDetails->setObjectName(QStringLiteral("BBDetails"));
    FSend = new QPushButton(Translate(QStringLiteral("Envoyer le rapport...")), this);
    FSend->setObjectName(QStringLiteral("BBSend"));
    FQuit = new QPushButton(Translate(QStringLiteral("Quitter")), this);
    FQuit->setObjectName(QStringLiteral("BBQuit"));
    for (QPushButton* b : {FDetails, FSend, FQuit}) b->setMinimumWidth(150);
    FDetails->setEnabled(!FReportPath.isEmpty());
    FSend->setDefault(true);
    buttons->addWidget(FDetails);
    buttons->addStretch(1);
    buttons->addWidget(FSend);
    buttons->addWidget(FQuit);
    layout->addLayout(buttons);

    connect(FDetails, &QPushButton::clicked, this, &TCrashReportForm::ShowDetails);
    connect(FSend, &QPushButton::clicked, this, [this] {
        SendReport();
        accept();
    });
    connect(FQuit, &QPushButton::clicked, this, &QDialog::reject);
}

QString TCrashReportForm::ClipboardText() const {
    QFile report(FReportPath);
    const QString text = !FReportPath.isEmpty() && report.open(QIODevice::ReadOnly)
                             ? QString::fromUtf8(report.readAll())
                             : QString();
    return QStringLiteral(
               "Merci de ne pas envoyer une capture d'écran mais le rapport ci-dessous.\r\n"
               "Please don't send a screenshot but the report below.\r\n\r\n") +
           text;
}

void TCrashReportForm::CopyReportToClipboard() { QGuiApplication::clipboard()->setText(ClipboardText()); }

void TCrashReportForm::ShowDetails() {
    if (!FReportPath.isEmpty()) ShellOpen(QLatin1Char('"') + FReportPath + QLatin1Char('"'));
}

void TCrashReportForm::SendReport() {
    SendCrashReport(FClassName, FMessageText, FReportPath, QStandardPaths::findExecutable(QStringLiteral("xdg-email")));
}

void TCrashReportForm::keyPressEvent(QKeyEvent* event) {
    // The desktop may keep Print Screen for itself; Ctrl+C does the same.
    if (event->key() == Qt::Key_Print || event->matches(QKeySequence::Copy)) {
        CopyReportToClipboard();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TCrashReportForm::fitMessage() {
    // Centred when it fits; otherwise read from its top left, scrolling.
    const QSize needed = FMessage->fontMetrics().size(0, FMessageText) + QSize(14, 14);
    const QSize room = FScroll->maximumViewportSize();
    const bool fits = needed.width() <= room.width() && needed.height() <= room.height();
    FMessage->setAlignment(fits ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignTop);
    FMessage->setMinimumSize(fits ? QSize() : needed);
}

void TCrashReportForm::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    fitMessage();
}

void TCrashReportForm::showEvent(QShowEvent* event) {
    fitMessage();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r = geometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
    QDialog::showEvent(event);
}
