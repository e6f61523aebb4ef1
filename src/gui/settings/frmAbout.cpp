#include "frmAbout.h"

#include "core/app/Version.h"
#include "gui/common/Icons.h"
#include "gui/common/WindowHelpers.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

#include <algorithm>
#include <utility>

namespace {

// The dialog was drawn in twips; at 96 dots per inch a pixel is 15 of them.
constexpr int TwipsPerPixel = 15;
constexpr int px(int twips)
{
    return (twips + TwipsPerPixel / 2) / TwipsPerPixel;
}

const QSize InnerSize(px(6015), px(5415));
constexpr int MarginTwips = 120;

const QString BankWeb = QString::fromLatin1(Version::MakerWeb);
const QColor ProductColour(0x2b, 0x3f, 0x5c);
const QColor AccentColour(0xb0, 0x5a, 0x22);
const QColor LinkColour(0x1a, 0x4f, 0x9c);
constexpr int BadgeWidth = 54;

template<typename Widget>
Widget* place(Widget* widget, const char* name, int leftTwips, int topTwips)
{
    widget->setObjectName(QLatin1String(name));
    widget->adjustSize();
    widget->move(px(leftTwips), px(topTwips));
    return widget;
}

QFont dialogFont()
{
    QFont font(QStringLiteral("Verdana"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

void setColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

// Stand-in for the bank's logo: a badge where the contribution text does not reach, left of
// the part of the picture that lies outside the dialog.
QPixmap bankPicture(const QSize& size, int visibleWidth)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF badge(visibleWidth - BadgeWidth - 0.5, 2.5, BadgeWidth, size.height() - 5);
    painter.setPen(QPen(AccentColour.darker(130), 1));
    painter.setBrush(AccentColour);
    painter.drawRoundedRect(badge, 5, 5);
    QFont font = dialogFont();
    font.setPixelSize(10);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(badge, Qt::AlignCenter,
                     QLatin1String(Version::Maker) + QLatin1String("\nbanka"));
    return pixmap;
}

QFrame* separator(QWidget* parent, int topTwips)
{
    auto* line = new QFrame(parent);
    line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    line->setGeometry(px(MarginTwips), px(topTwips), InnerSize.width() - 2 * px(MarginTwips), 2);
    return line;
}

} // namespace

ClickableLabel::ClickableLabel(const QString& text, QWidget* parent)
    : QLabel(text, parent)
{
    setCursor(Qt::PointingHandCursor);
    // Not on a click: a link followed with the mouse leaves the focus where the typing is.
    setFocusPolicy(Qt::TabFocus);
}

void ClickableLabel::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        event->accept();
        if (!event->isAutoRepeat())
            emit clicked();
        return;
    default:
        QLabel::keyPressEvent(event);
    }
}

void ClickableLabel::focusInEvent(QFocusEvent* event)
{
    QLabel::focusInEvent(event);
    underlineWhileFocused();
}

void ClickableLabel::focusOutEvent(QFocusEvent* event)
{
    QLabel::focusOutEvent(event);
    underlineWhileFocused();
}

// The style's focus frame alone is faint next to the check boxes' marks.
void ClickableLabel::underlineWhileFocused()
{
    QFont underlined = font();
    underlined.setUnderline(hasFocus());
    setFont(underlined);
}

void ClickableLabel::paintEvent(QPaintEvent* event)
{
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    QStyleOptionFocusRect frame;
    frame.initFrom(this);
    frame.rect = m_focusArea.isNull() ? rect() : m_focusArea;
    frame.backgroundColor = palette().color(backgroundRole());
    // Only the keyboard brings the focus here, so the frame is always due; some styles draw it
    // only when told the focus came that way.
    frame.state |= QStyle::State_KeyboardFocusChange;
    QStylePainter(this).drawPrimitive(QStyle::PE_FrameFocusRect, frame);
}

void ClickableLabel::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    m_pressed = false;
    event->accept();
    if (click)
        emit clicked();
}

frmAbout::frmAbout(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("nastavení aplikace"));
    setWindowIcon(Icons::application());
    setFont(dialogFont());
    setFixedSize(InnerSize);

    buildHeader();
    buildContribution();
    separator(this, 1680);
    buildOptions();
    separator(this, 4920);

    auto* cancel = place(new ClickableLabel(QStringLiteral("storno"), this), "Label2", 120, 5040);
    auto* save =
        place(new ClickableLabel(QStringLiteral("uložit změny"), this), "Label1", 4440, 5040);
    for (QLabel* button : {cancel, save}) {
        QFont font = button->font();
        font.setBold(true);
        button->setFont(font);
        button->adjustSize();
    }
    connect(cancel, &ClickableLabel::clicked, this, &QWidget::close);
    connect(save, &ClickableLabel::clicked, this, &frmAbout::saveClicked);
    orderTabsByPosition();
    m_nick->setFocus();

    MakeTopmost(this);
    AddDropShadow(this);
}

void frmAbout::buildHeader()
{
    auto* icon = place(new QLabel(this), "Image1", 120, 0);
    icon->setPixmap(Icons::application().pixmap(px(480), px(480)));
    icon->resize(px(480), px(480));

    // The product name in two halves of different weight and colour; the first ends where the
    // second begins, so they read as one word.
    QFont large = font();
    large.setPixelSize(17);
    auto* first = new QLabel(QStringLiteral("Kestro"), this);
    first->setFont(large);
    setColour(first, ProductColour);
    place(first, "lblProduct1", 720, 0);
    first->setAlignment(Qt::AlignRight | Qt::AlignTop);
    first->resize(px(1575 - 720), first->height());
    large.setBold(true);
    auto* second = new QLabel(QStringLiteral("wind"), this);
    second->setFont(large);
    setColour(second, AccentColour);
    place(second, "lblProduct2", 1575, 0);

    place(new QLabel(QStringLiteral("síťová komunikace snadno a česky"), this), "Label8", 480, 375);

    // The version text grows to the left, so it stays inside the dialog whatever its length.
    auto* version = place(new QLabel(QStringLiteral("v.: %1.%2 build: %3")
                                         .arg(Version::Major)
                                         .arg(Version::Minor)
                                         .arg(Version::Build),
                                     this),
                          "lblVersion", 5640, 120);
    version->setAlignment(Qt::AlignRight | Qt::AlignTop);
    version->move(InnerSize.width() - px(MarginTwips) - version->width(), version->y());

    auto* maker = new ClickableLabel(QLatin1String(Version::Maker), this);
    setColour(maker, LinkColour);
    place(maker, "Label4", 5040, 360);
    connect(maker, &ClickableLabel::clicked, this,
            [] { OpenDocument(QLatin1String(Version::MakerWeb)); });

    place(new QLabel(QStringLiteral("nastavení platí pro právě přihlášeného uživatele"), this),
          "Label7", 106, 600);
}

void frmAbout::buildContribution()
{
    // Made first, so the text lies above it.
    auto* bank = new ClickableLabel({}, this);
    const int visibleWidth = InnerSize.width() - px(MarginTwips) - px(3360);
    bank->setPixmap(bankPicture({px(2925), px(570)}, visibleWidth));
    place(bank, "Image2", 3360, 960);
    bank->resize(px(2925), px(570));
    bank->setFocusArea(QRect(visibleWidth - BadgeWidth - 2, 0, BadgeWidth + 2, bank->height()));
    connect(bank, &ClickableLabel::clicked, this, [] { OpenDocument(BankWeb); });

    place(new QLabel(QStringList{QStringLiteral("Líbí-li se vám aplikace a používáte-li ji, "
                                                "můžete přispět"),
                                 QStringLiteral("na další vývoj zasláním libovolné částky na "
                                                "účet:"),
                                 QStringLiteral("000000-0000000000/0000"),
                                 QStringLiteral("%1 banka, %2. Děkuji vám.")
                                     .arg(QLatin1String(Version::Maker), BankWeb)}
                         .join(QLatin1Char('\n')),
                     this),
          "Label29", 120, 840);
}

void frmAbout::buildOptions()
{
    place(new QLabel(QStringLiteral("vaše přezdívka"), this), "Label3", 120, 1800);
    m_nick = new QLineEdit(this);
    m_nick->setObjectName(QStringLiteral("Text1"));
    m_nick->setGeometry(px(1800), px(1800), px(2055), px(285));

    place(new QLabel(QStringLiteral("při minimalizovaném okně aplikace"), this), "Label9", 120,
          2160);
    place(new QLabel(QStringLiteral("ostatní nastavení"), this), "Label10", 120, 3360);

    struct Box {
        int number;
        const char* text;
        int top;
    };
    // Top to bottom, as they are laid out; a box's number is its place in Options.
    static constexpr Box Boxes[] = {
        {3, "upozorňovat na aktivitu v chatu bublinou", 2400},
        {5, "maximalizovat okno", 2640},
        {6, "přehrát zvuk", 2880},
        {1, "spouštět aplikaci po startu operačního systému", 3600},
        {2, "po spuštění aplikaci minimalizovat", 3840},
        {4, "při aktivitě v chatu přehrát zvuk", 4080},
    };
    for (const Box& box : Boxes) {
        auto* check = new QCheckBox(QString::fromUtf8(box.text), this);
        const QByteArray name = "Check" + QByteArray::number(box.number);
        place(check, name.constData(), 600, box.top);
        // The rows are a pixel closer than the style's box is tall.
        check->resize(check->width(), std::min(check->height(), px(240)));
        m_checks[box.number - 1] = check;
    }

    auto* update = new ClickableLabel(QStringLiteral("zjistit nové verze aplikace"), this);
    update->setToolTip(QStringLiteral("zjistit nové verze"));
    setColour(update, LinkColour);
    place(update, "Label36", 120, 4560);
    connect(update, &ClickableLabel::clicked, this, &frmAbout::updateLinkClicked);
}

// The controls are placed, not laid out: Tab goes through them as they read, top to bottom and
// left to right, whatever order they were made in.
void frmAbout::orderTabsByPosition()
{
    QList<QWidget*> stops;
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->focusPolicy() & Qt::TabFocus)
            stops << child;
    }
    std::stable_sort(stops.begin(), stops.end(), [](const QWidget* a, const QWidget* b) {
        return std::pair(a->y(), a->x()) < std::pair(b->y(), b->x());
    });
    for (qsizetype i = 1; i < stops.size(); ++i)
        setTabOrder(stops[i - 1], stops[i]);
}

Options frmAbout::options() const
{
    Options options;
    options.nick = m_nick->text();
    options.afterstart = m_checks[0]->isChecked();
    options.totray = m_checks[1]->isChecked();
    options.tooltip = m_checks[2]->isChecked();
    options.playsound = m_checks[3]->isChecked();
    options.maxokno = m_checks[4]->isChecked();
    options.playwhenmin = m_checks[5]->isChecked();
    return options;
}

void frmAbout::setOptions(const Options& options)
{
    m_nick->setText(options.nick);
    m_checks[0]->setChecked(options.afterstart);
    m_checks[1]->setChecked(options.totray);
    m_checks[2]->setChecked(options.tooltip);
    m_checks[3]->setChecked(options.playsound);
    m_checks[4]->setChecked(options.maxokno);
    m_checks[5]->setChecked(options.playwhenmin);
}

void frmAbout::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        emit saveClicked();
        return;
    case Qt::Key_Escape:
        close();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void frmAbout::closeEvent(QCloseEvent* event)
{
    emit closed();
    QWidget::closeEvent(event);
}
