#include "SettingsDialog.h"

#include "core/app/Version.h"
#include "core/net/ExtraAddresses.h"
#include "core/net/LocalAddress.h"
#include "gui/common/ClickableLabel.h"
#include "gui/common/Icons.h"
#include "gui/common/Twips.h"
#include "gui/common/WindowHelpers.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>

#include <algorithm>
#include <utility>

namespace {

// The dialog was drawn in twips.
using Twips::px;

constexpr int MarginTwips = 120;
// Rows of option boxes added below the drawn ones push what follows them down by this much.
constexpr int AddedRowsTwips = 240;
// The network fields under the options push what was below them down by this much more.
constexpr int NetworkTwips = 1380;
constexpr int PushedDownTwips = AddedRowsTwips + NetworkTwips;
const QSize InnerSize(px(6015), px(5415 + PushedDownTwips));

const QString BankWeb = QString::fromLatin1(Version::MakerWeb);
const QColor ProductColour(0x2b, 0x3f, 0x5c);
const QColor AccentColour(0xb0, 0x5a, 0x22);
const QColor LinkColour(0x1a, 0x4f, 0x9c);
const QColor ProblemColour(0xb0, 0x1c, 0x1c);
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

QFrame* addSeparator(QWidget* parent, int topTwips)
{
    auto* line = new QFrame(parent);
    line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    line->setGeometry(px(MarginTwips), px(topTwips), InnerSize.width() - 2 * px(MarginTwips), 2);
    return line;
}

} // namespace

SettingsDialog::SettingsDialog(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("SettingsDialog"));
    setWindowTitle(QStringLiteral("nastavení aplikace"));
    setWindowIcon(Icons::application());
    setFont(dialogFont());
    setFixedSize(InnerSize);

    buildHeader();
    buildContributionNote();
    addSeparator(this, 1680);
    buildNickField();
    buildOptionBoxes();
    buildNetworkFields();
    buildUpdateLink();
    addSeparator(this, 4920 + PushedDownTwips);
    buildSaveAndCancel();
    orderTabsByPosition();
    m_nick->setFocus();

    keepOnTop(this);
    addDropShadow(this);
}

void SettingsDialog::buildHeader()
{
    auto* icon = place(new QLabel(this), "productIcon", 120, 0);
    icon->setPixmap(Icons::application().pixmap(px(480), px(480)));
    icon->resize(px(480), px(480));

    // The product name in two halves of different weight and colour; the first ends where the
    // second begins, so they read as one word.
    QFont large = font();
    large.setPixelSize(17);
    auto* first = new QLabel(QStringLiteral("Kestro"), this);
    first->setFont(large);
    setColour(first, ProductColour);
    place(first, "productNameStart", 720, 0);
    first->setAlignment(Qt::AlignRight | Qt::AlignTop);
    first->resize(px(1575 - 720), first->height());
    large.setBold(true);
    auto* second = new QLabel(QStringLiteral("wind"), this);
    second->setFont(large);
    setColour(second, AccentColour);
    place(second, "productNameEnd", 1575, 0);

    place(new QLabel(QStringLiteral("síťová komunikace snadno a česky"), this), "tagline", 480,
          375);

    // The version text grows to the left, so it stays inside the dialog whatever its length.
    auto* version = place(new QLabel(QStringLiteral("v.: %1.%2 build: %3")
                                         .arg(Version::Major)
                                         .arg(Version::Minor)
                                         .arg(Version::Build),
                                     this),
                          "versionLabel", 5640, 120);
    version->setAlignment(Qt::AlignRight | Qt::AlignTop);
    version->move(InnerSize.width() - px(MarginTwips) - version->width(), version->y());

    auto* maker = new ClickableLabel(QLatin1String(Version::Maker), this);
    setColour(maker, LinkColour);
    place(maker, "makerLink", 5040, 360);
    connect(maker, &ClickableLabel::clicked, this,
            [] { openExternally(QLatin1String(Version::MakerWeb)); });

    place(new QLabel(QStringLiteral("nastavení platí pro právě přihlášeného uživatele"), this),
          "perUserNote", 106, 600);
}

void SettingsDialog::buildContributionNote()
{
    // Made first, so the text lies above it.
    auto* bank = new ClickableLabel({}, this);
    const int visibleWidth = InnerSize.width() - px(MarginTwips) - px(3360);
    bank->setPixmap(bankPicture({px(2925), px(570)}, visibleWidth));
    place(bank, "bankLink", 3360, 960);
    bank->resize(px(2925), px(570));
    bank->setFocusArea(QRect(visibleWidth - BadgeWidth - 2, 0, BadgeWidth + 2, bank->height()));
    connect(bank, &ClickableLabel::clicked, this, [] { openExternally(BankWeb); });

    place(new QLabel(QStringList{QStringLiteral("Líbí-li se vám aplikace a používáte-li ji, "
                                                "můžete přispět"),
                                 QStringLiteral("na další vývoj zasláním libovolné částky na "
                                                "účet:"),
                                 QStringLiteral("000000-0000000000/0000"),
                                 QStringLiteral("%1 banka, %2. Děkuji vám.")
                                     .arg(QLatin1String(Version::Maker), BankWeb)}
                         .join(QLatin1Char('\n')),
                     this),
          "contributionNote", 120, 840);
}

void SettingsDialog::buildNickField()
{
    place(new QLabel(QStringLiteral("vaše přezdívka"), this), "nickCaption", 120, 1800);
    m_nick = new QLineEdit(this);
    m_nick->setObjectName(QStringLiteral("nickEdit"));
    m_nick->setGeometry(px(1800), px(1800), px(2055), px(285));
}

void SettingsDialog::buildOptionBoxes()
{
    place(new QLabel(QStringLiteral("při minimalizovaném okně aplikace"), this),
          "whenMinimisedCaption", 120, 2160);
    place(new QLabel(QStringLiteral("ostatní nastavení"), this), "otherOptionsCaption", 120, 3360);

    struct Box {
        bool Options::*option;
        const char* name;
        const char* text;
        int top;
    };
    // Top to bottom, as they are laid out.
    static constexpr Box Boxes[] = {
        {&Options::balloonWhenMinimised, "balloonCheck", "upozorňovat na aktivitu v chatu bublinou",
         2400},
        {&Options::restoreOnActivity, "maximiseCheck", "maximalizovat okno", 2640},
        {&Options::playSoundWhenMinimised, "soundWhenMinimisedCheck", "přehrát zvuk", 2880},
        {&Options::startWithSystem, "startWithSystemCheck",
         "spouštět aplikaci po startu operačního systému", 3600},
        {&Options::startMinimised, "startMinimisedCheck", "po spuštění aplikaci minimalizovat",
         3840},
        {&Options::playSound, "soundAlwaysCheck", "při aktivitě v chatu přehrát zvuk", 4080},
        {&Options::saveHistory, "saveHistoryCheck", "ukládat historii diskuze", 4320},
    };
    for (const Box& box : Boxes) {
        auto* check =
            place(new QCheckBox(QString::fromUtf8(box.text), this), box.name, 600, box.top);
        // The rows are a pixel closer than the style's box is tall.
        check->resize(check->width(), std::min(check->height(), px(240)));
        m_optionBoxes.append({box.option, check});
    }
    m_trayMissing =
        place(new QLabel(QStringLiteral("bez oznamovací oblasti upozorní oznámení systému"), this),
              "trayMissingNote", 600, 3120);
    m_trayMissing->hide();
}

void SettingsDialog::setTrayMissing(bool missing)
{
    m_trayMissing->setVisible(missing);
}

void SettingsDialog::buildNetworkFields()
{
    const int fieldWidth = px(6015 - 1800 - MarginTwips);
    place(new QLabel(QStringLiteral("další adresy"), this), "extraAddressesCaption", 120,
          4380 + AddedRowsTwips);
    m_extraAddresses = new QPlainTextEdit(this);
    m_extraAddresses->setObjectName(QStringLiteral("extraAddressesEdit"));
    m_extraAddresses->setGeometry(px(1800), px(4380 + AddedRowsTwips), fieldWidth, px(720));
    m_extraAddresses->setTabChangesFocus(true);
    m_extraAddresses->setToolTip(
        QStringLiteral("adresy, kam se hlášení a zprávy posílají také: všesměrové adresy jiných "
                       "podsítí (např. 10.1.2.255) nebo jednotlivé počítače; oddělené mezerou, "
                       "čárkou nebo novým řádkem, nejvýše %1")
            .arg(ExtraAddresses::Most));
    m_addressProblem = new QLabel(this);
    m_addressProblem->setObjectName(QStringLiteral("extraAddressesProblem"));
    m_addressProblem->setTextFormat(Qt::PlainText);
    m_addressProblem->setGeometry(px(1800), px(5130 + AddedRowsTwips), fieldWidth, px(240));
    setColour(m_addressProblem, ProblemColour);
    connect(m_extraAddresses, &QPlainTextEdit::textChanged, this, &SettingsDialog::checkAddresses);

    place(new QLabel(QStringLiteral("síťové rozhraní"), this), "interfaceCaption", 120,
          5460 + AddedRowsTwips);
    m_interface = new QComboBox(this);
    m_interface->setObjectName(QStringLiteral("interfaceCombo"));
    m_interface->setGeometry(px(1800), px(5415 + AddedRowsTwips), fieldWidth, px(300));
    m_interface->addItem(QStringLiteral("automaticky"), QString());
    for (const LocalAddress::Interface& nic : LocalAddress::interfaces())
        m_interface->addItem(QStringLiteral("%1 (%2)").arg(nic.name, nic.address), nic.name);
}

bool SettingsDialog::checkAddresses()
{
    const ExtraAddresses::Parsed parsed = ExtraAddresses::parse(m_extraAddresses->toPlainText());
    QStringList problems;
    if (!parsed.invalid.isEmpty())
        problems << QStringLiteral("neplatné: ") + parsed.invalid.join(QStringLiteral(", "));
    if (parsed.tooMany)
        problems << QStringLiteral("nejvýše %1 adres, zadáno %2")
                        .arg(ExtraAddresses::Most)
                        .arg(parsed.addresses.size());
    // Peer-free text, but a long paste must not widen the dialog.
    m_addressProblem->setText(fontMetrics().elidedText(problems.join(QStringLiteral("; ")),
                                                       Qt::ElideRight, m_addressProblem->width()));
    m_addressProblem->setToolTip(problems.join(QStringLiteral("; ")));
    return parsed.isValid();
}

void SettingsDialog::requestSave()
{
    if (!checkAddresses()) {
        m_extraAddresses->setFocus(Qt::OtherFocusReason);
        return;
    }
    emit saveClicked();
}

void SettingsDialog::buildUpdateLink()
{
    auto* update = new ClickableLabel(QStringLiteral("zjistit nové verze aplikace"), this);
    update->setToolTip(QStringLiteral("zjistit nové verze"));
    setColour(update, LinkColour);
    place(update, "updateLink", 120, 4560 + PushedDownTwips);
    connect(update, &ClickableLabel::clicked, this, &SettingsDialog::updateLinkClicked);
}

void SettingsDialog::buildSaveAndCancel()
{
    auto* cancel = place(new ClickableLabel(QStringLiteral("storno"), this), "cancelLink", 120,
                         5040 + PushedDownTwips);
    auto* save = place(new ClickableLabel(QStringLiteral("uložit změny"), this), "saveLink", 4440,
                       5040 + PushedDownTwips);
    for (QLabel* command : {cancel, save}) {
        QFont font = command->font();
        font.setBold(true);
        command->setFont(font);
        command->adjustSize();
    }
    connect(cancel, &ClickableLabel::clicked, this, &QWidget::close);
    connect(save, &ClickableLabel::clicked, this, &SettingsDialog::requestSave);
}

// The controls are placed, not laid out: Tab goes through them as they read, top to bottom and
// left to right, whatever order they were made in.
void SettingsDialog::orderTabsByPosition()
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

Options SettingsDialog::options() const
{
    Options options;
    options.nick = m_nick->text();
    for (const OptionBox& each : m_optionBoxes)
        options.*each.option = each.box->isChecked();
    options.extraAddresses = ExtraAddresses::parse(m_extraAddresses->toPlainText())
                                 .addresses.mid(0, ExtraAddresses::Most);
    options.networkInterface = m_interface->currentData().toString();
    return options;
}

void SettingsDialog::setOptions(const Options& options)
{
    m_nick->setText(options.nick);
    for (const OptionBox& each : m_optionBoxes)
        each.box->setChecked(options.*each.option);
    // Entries still being mended stay as typed while the list they make is the one given.
    if (ExtraAddresses::parse(m_extraAddresses->toPlainText()).addresses != options.extraAddresses)
        m_extraAddresses->setPlainText(options.extraAddresses.join(QLatin1Char('\n')));
    int chosen = m_interface->findData(options.networkInterface);
    if (chosen < 0) {
        // Unplugged now, but chosen and kept until the user picks another.
        m_interface->addItem(QStringLiteral("%1 (nepřipojeno)").arg(options.networkInterface),
                             options.networkInterface);
        chosen = m_interface->count() - 1;
    }
    m_interface->setCurrentIndex(chosen);
}

void SettingsDialog::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        requestSave();
        return;
    case Qt::Key_Escape:
        close();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void SettingsDialog::closeEvent(QCloseEvent* event)
{
    emit closed();
    QWidget::closeEvent(event);
}
