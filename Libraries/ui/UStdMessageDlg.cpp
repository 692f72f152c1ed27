// The standard message dialog and the boxes built on it.
#include "UStdMessageDlg.h"

#include "UIconSet.h"
#include "UMultiLang.h"
#include "UStdMessageDlgLayout.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>

namespace {

// The named image of the icon set; the style's own message icons stand in
// for a name the set does not hold.
QPixmap messageIcon(const QString& name, const QStyle* style) {
    const QImage image = StandardImage(name);
    if (!image.isNull()) return QPixmap::fromImage(image);
    QStyle::StandardPixmap which = QStyle::SP_MessageBoxInformation;
    if (name == QLatin1String("png_error_red_32")) which = QStyle::SP_MessageBoxCritical;
    else if (name == QLatin1String("png_question_green_32")) which = QStyle::SP_MessageBoxQuestion;
    else if (name == QLatin1String("png_question_red_32")) which = QStyle::SP_MessageBoxWarning;
    return style->standardIcon(which).pixmap(32, 32);
}

QColor blend(const QColor& a, const QColor& b, double share) {
    return QColor::fromRgbF(float(a.redF() * (1 - share) + b.redF() * share), float(a.greenF() * (1 - share) + b.greenF() * share),
                            float(a.blueF() * (1 - share) + b.blueF() * share));
}

} // namespace

TStdMessageDlg::TStdMessageDlg(const QString& caption, const QString& message, const QStringList& buttons,
                               const QString& iconName, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint), FIconName(iconName) {
    setObjectName(QStringLiteral("TStdMessageDlg"));
    setWindowTitle(Translate(caption));
    setAutoFillBackground(true);

    FShownText = message.startsWith(QLatin1Char('!')) ? message.mid(1) : Translate(message);
    const QFontMetrics metrics(font());
    TStdMessageDlgMeasures m;
    for (const QString& b : buttons) m.ButtonTextWidths.push_back(metrics.horizontalAdvance(Translate(b)) + 16);
    m.Text = metrics.boundingRect(QRect(0, 0, MessageTextWidthCap + 1, 1 << 24), Qt::TextExpandTabs, FShownText).size();
    const QScreen* screen = QGuiApplication::primaryScreen();
    m.Screen = screen ? screen->availableGeometry().size() : QSize(1920, 1080);
    m.ScrollBarWidth = m.ScrollBarHeight = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    m.Wrapped = [&](int width) {
        return metrics.boundingRect(QRect(0, 0, std::max(width, 1), 1 << 24), Qt::TextWordWrap | Qt::TextExpandTabs, FShownText).size();
    };
    const TStdMessageDlgLayout layout = LayOutStdMessageDlg(m);
    setFixedSize(layout.Client);
    FBandTop = layout.BandTop;

    FLabel = new QLabel(FShownText);
    FLabel->setObjectName(QStringLiteral("Message"));
    FLabel->setTextFormat(Qt::PlainText);
    FLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    if (layout.Scrolled) {
        FScroll = new QScrollArea(this);
        FScroll->setObjectName(QStringLiteral("MessageScroll"));
        FScroll->setFrameShape(QFrame::NoFrame);
        FScroll->setGeometry(layout.ScrollBox);
        FLabel->setFixedSize(layout.Label.size());
        FLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        FScroll->setWidget(FLabel);
    } else {
        FLabel->setParent(this);
        FLabel->setGeometry(layout.Label);
        FLabel->setWordWrap(layout.LabelWraps);
        FLabel->setAlignment(Qt::AlignLeft | (layout.CentredVertically ? Qt::AlignVCenter : Qt::AlignTop));
    }

    for (size_t i = 0; i < layout.Buttons.size(); ++i) {
        const QString source = buttons[qsizetype(i)];
        auto* button = new QPushButton(Translate(source), this);
        button->setObjectName(source);
        button->setGeometry(layout.Buttons[i]);
        button->setAutoDefault(i == 0);
        connect(button, &QPushButton::clicked, this, [this, source] {
            FResult = source;
            accept();
        });
    }
    if (screen) move(screen->availableGeometry().center() - rect().center());
}

QString TStdMessageDlg::Run() {
    exec();
    return FResult;
}

void TStdMessageDlg::keyPressEvent(QKeyEvent* event) {
    const bool copy = (event->modifiers() & Qt::ControlModifier) &&
                      (event->key() == Qt::Key_C || event->key() == Qt::Key_Insert);
    if (copy) {
        QApplication::clipboard()->setText(FShownText);
        return;
    }
    QDialog::keyPressEvent(event);   // Escape closes with an empty result
}

void TStdMessageDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(12, 12, messageIcon(FIconName, style()));
    const QColor band = blend(palette().color(QPalette::Window), palette().color(QPalette::Button), 0.34);
    painter.fillRect(QRect(0, FBandTop, width(), height() - FBandTop), band);
    painter.fillRect(QRect(0, FBandTop - 2, width(), 1), band);
}

// ---------------------------------------------------------------------------

namespace {

QString runBox(const QString& caption, const QString& message, const QStringList& buttons, const QString& icon) {
    TStdMessageDlg dialog(caption, message, buttons, icon, QApplication::activeWindow());
    return dialog.Run();
}

} // namespace

void ShowError(const QString& text) {
    runBox(QStringLiteral("Erreur"), text, {QStringLiteral("Ok")}, QStringLiteral("png_error_red_32"));
}

bool AskQuestion(const QString& format, std::initializer_list<FormatArg> args) {
    const QString text = QLatin1Char('!') + TranslateFormat(format, args);
    return runBox(QStringLiteral("Confirmation"), text, {QStringLiteral("Oui"), QStringLiteral("Non")},
                  QStringLiteral("png_question_green_32")) == QLatin1String("Oui");
}

void ShowInformation(const QString& format, std::initializer_list<FormatArg> args) {
    runBox(QStringLiteral("Information"), QLatin1Char('!') + TranslateFormat(format, args), {QStringLiteral("Ok")},
           QStringLiteral("png_information_blue_32"));
}

bool AskRetry(const QString& text) {
    return runBox(QStringLiteral("Problème"), text, {QStringLiteral("Recommencer"), QStringLiteral("Abandon")},
                  QStringLiteral("png_question_red_32")) == QLatin1String("Recommencer");
}

bool WriteFileWithRetry(const QString& path, const QByteArray& bytes) {
    for (;;) {
        QSaveFile file(path);
        if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit()) return true;
        const QString message = TranslateFormat(
            QStringLiteral("Echec de l'enregistrement de \"%s\".\r\nLe fichier est peut être utilisé par une autre \r\n"
                           "application ou dans emplacement accessible en lecture seule."),
            {FormatArg(path)});
        if (!AskRetry(QLatin1Char('!') + message)) return false;
    }
}
