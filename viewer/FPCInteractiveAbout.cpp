// The about box.
#include "FPCInteractiveAbout.h"

#include "UAppVersion.h"
#include "UMultiLang.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

namespace {

const QColor Accent(0x1f, 0x5f, 0x9f);
const QColor CheckGreen(0x2e, 0x9e, 0x3e);
constexpr int BandWidth = 12;

}  // namespace

TAboutCheckMark::TAboutCheckMark(QWidget* parent) : QAbstractButton(parent) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
}

void TAboutCheckMark::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(2, 2, -2, -2);
    p.setPen(Qt::NoPen);
    p.setBrush(isDown() ? CheckGreen.darker(130) : (underMouse() ? CheckGreen.lighter(115) : CheckGreen));
    p.drawEllipse(r);
    QPainterPath tick;
    tick.moveTo(r.left() + r.width() * 0.26, r.top() + r.height() * 0.53);
    tick.lineTo(r.left() + r.width() * 0.43, r.top() + r.height() * 0.70);
    tick.lineTo(r.left() + r.width() * 0.75, r.top() + r.height() * 0.33);
    p.setPen(QPen(Qt::white, r.width() * 0.11, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(tick);
}

TPCInteractiveAbout::TPCInteractiveAbout(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("TPCInteractiveAbout"));
    setFixedSize(562, 222);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, QColor(0x20, 0x20, 0x20));
    setPalette(pal);

    auto* title = new QLabel(QStringLiteral("Lorvane"), this);
    title->setObjectName(QStringLiteral("LBTitle"));
    QFont big = font();
    big.setPointSizeF(big.pointSizeF() * 2.2);
    big.setBold(true);
    title->setFont(big);
    QPalette titlePalette = title->palette();
    titlePalette.setColor(QPalette::WindowText, Accent);
    title->setPalette(titlePalette);
    title->setGeometry(BandWidth + 24, 20, 400, 44);

    auto* subtitle = new QLabel(Translate(QStringLiteral("Visionneuse Dravo")), this);
    subtitle->setObjectName(QStringLiteral("LBSubtitle"));
    QFont medium = font();
    medium.setPointSizeF(medium.pointSizeF() * 1.25);
    subtitle->setFont(medium);
    subtitle->setGeometry(BandWidth + 26, 66, 420, 26);

    auto* text = new QLabel(Translate(QStringLiteral(
                                "Consultation de micro-cubes OLAP : vues enregistrées, tableaux croisés, filtres, "
                                "formules, graphiques et exports HTML, Excel et XML.")),
                            this);
    text->setObjectName(QStringLiteral("LBDescription"));
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    text->setGeometry(BandWidth + 26, 102, 440, 56);

    auto* maker = new QLabel(QStringLiteral("© Veltrano"), this);
    maker->setObjectName(QStringLiteral("LBMaker"));
    maker->setGeometry(BandWidth + 26, 180, 200, 22);

    FVersion = new QLabel(QStringLiteral("v ") + GetAppVersionString(), this);
    FVersion->setObjectName(QStringLiteral("LBVersion"));
    FVersion->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    FVersion->setGeometry(width() - 24 - 240, 180, 240, 22);

    FCheck = new TAboutCheckMark(this);
    FCheck->setObjectName(QStringLiteral("BBOk"));
    FCheck->setToolTip(Translate(QStringLiteral("Fermer")));
    FCheck->setGeometry(width() - 20 - 44, 18, 44, 44);
    connect(FCheck, &QAbstractButton::clicked, this, &QDialog::accept);
}

void TPCInteractiveAbout::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    QPainter p(this);
    p.fillRect(0, 0, BandWidth, height(), Accent);
    p.setPen(QColor(0xb0, 0xb0, 0xb0));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TPCInteractiveAbout::showEvent(QShowEvent* event) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r = geometry();
        r.moveCenter(screen->geometry().center());
        move(r.topLeft());
    }
    QDialog::showEvent(event);
}
