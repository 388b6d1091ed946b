#include "about/AboutForm.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QUrl>

#include "l10n/FormTranslation.h"
#include "l10n/Session.h"
#include "platform/SystemServices.h"
#include "widgets/AltKeyRepaint.h"
#include "widgets/ProductIcon.h"

namespace {

constexpr int kClientWidth = 362;
constexpr int kClientHeight = 217;
constexpr int kLogoSize = 32;

const QString kCaption = QStringLiteral("About Vantrel");
const QString kProduct = QStringLiteral("Vantrel 1.2");
const QString kCopyright = QStringLiteral("Copyright \u00A9 2026 Quillane");

QFont DesignedFont(bool bold) {
    QFont font(QStringLiteral("Segoe UI"));
    font.setPixelSize(12);
    font.setBold(bold);
    return font;
}

QFrame* MakeBevel(QWidget* parent, const char* name, const QRect& bounds) {
    auto* bevel = new QFrame(parent);
    bevel->setObjectName(QLatin1String(name));
    bevel->setFrameShape(QFrame::Box);
    bevel->setFrameShadow(QFrame::Sunken);
    bevel->setGeometry(bounds);
    return bevel;
}

QLabel* MakeLinkLabel(QWidget* parent, const char* name, const QString& text, QPoint at) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setCursor(Qt::PointingHandCursor);
    label->move(at);
    label->adjustSize();
    return label;
}

bool IsLeftClickInside(const QWidget* widget, const QEvent* event) {
    if (event->type() != QEvent::MouseButtonRelease) {
        return false;
    }
    const auto* mouse = static_cast<const QMouseEvent*>(event);
    return mouse->button() == Qt::LeftButton &&
           widget->rect().contains(mouse->position().toPoint());
}

}  // namespace

TAboutForm::TAboutForm(const Session& session, SystemServices& system, QWidget* parent)
    : QDialog(parent), session_(session), system_(system) {
    BuildDesign();
    FormCreate();
}

void TAboutForm::BuildDesign() {
    setObjectName(QStringLiteral("AboutForm"));
    setWindowTitle(kCaption);
    // A dialog frame: title and close box, no minimise or maximise, fixed size.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(kClientWidth, kClientHeight);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, colours.color(QPalette::Button));
    colours.setColor(QPalette::WindowText, Qt::black);
    setPalette(colours);
    setAutoFillBackground(true);
    setFont(DesignedFont(false));

    Bevel1 = MakeBevel(this, "Bevel1", QRect(8, 8, 346, 170));
    Bevel2 = MakeBevel(this, "Bevel2", QRect(24, 24, 42, 42));

    ProductLogoImage = new QLabel(this);
    ProductLogoImage->setObjectName(QStringLiteral("ProductLogoImage"));
    ProductLogoImage->setGeometry(24, 24, 42, 42);
    ProductLogoImage->setAlignment(Qt::AlignCenter);
    ProductLogoImage->setPixmap(ProductIcon().pixmap(kLogoSize, kLogoSize));

    // The product name has its own font in every attribute, so the window's font never
    // reaches it.
    QFont productFont = DesignedFont(true);
    productFont.setResolveMask(QFont::AllPropertiesResolved);
    ProductLabel = MakeLinkLabel(this, "ProductLabel", kProduct, QPoint(88, 24));
    ProductLabel->setFont(productFont);
    ProductLabel->adjustSize();
    CopyrightLabel = MakeLinkLabel(this, "CopyrightLabel", kCopyright, QPoint(88, 51));
}

void TAboutForm::FormCreate() {
    AltKeyRepaint = new TAltKeyRepaint(this);
    OKButtonW = new WideButton(QStringLiteral("OK"), this);
    OKButtonW->setObjectName(QStringLiteral("OKButtonW"));
    OKButtonW->setGeometry(264, 184, 89, 25);
    OKButtonW->setDefault(true);
    connect(OKButtonW, &QPushButton::clicked, this, &QDialog::accept);
    OKButtonW->show();
    OKButtonW->setFocus();

    // Key presses reach the window through its focused control first; watching them at
    // the application passes each to FormShortCut once, whichever control has the focus.
    // The label clicks are taken from the same filter.
    qApp->installEventFilter(this);

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect centred(QPoint(0, 0), size());
        centred.moveCenter(screen->geometry().center());
        move(centred.topLeft());
    }
}

void TAboutForm::ApplyLanguage(std::int32_t languageId) {
    setFont(system_.InterfaceFont());
    TranslateForm(this, session_.catalog, languageId);
    // Both labels are sized to their text, which the new font may have changed.
    ProductLabel->adjustSize();
    CopyrightLabel->adjustSize();
}

void TAboutForm::keyPressEvent(QKeyEvent* event) {
    // Escape closes the dialog as OK does: it has nothing to cancel.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TAboutForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && IsFirstKeyReceiver(watched)) {
        FormShortCut(KeyCodeFromQtKey(static_cast<QKeyEvent*>(event)->key()));
    } else if (watched == ProductLabel && IsLeftClickInside(ProductLabel, event)) {
        ProductLabelClick();
    } else if (watched == CopyrightLabel && IsLeftClickInside(CopyrightLabel, event)) {
        CopyrightLabelClick();
    }
    return false;
}

bool TAboutForm::IsFirstKeyReceiver(const QObject* watched) const {
    // A key event goes to the focused control and on to its parents while they ignore it;
    // only its first receiver counts.
    const QWidget* focus = QApplication::focusWidget();
    const QObject* first = (focus && focus->window() == this) ? focus : this;
    return watched == first;
}

// Never marks the key as handled: the dialog's own keys (Enter, Escape) still work.
void TAboutForm::FormShortCut(int keyCode) {
    AltKeyRepaint->KeyDownCheck(this, keyCode);
}

void TAboutForm::ProductLabelClick() {
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(kHomePage)));
}

void TAboutForm::CopyrightLabelClick() {
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(kMailLink)));
}
