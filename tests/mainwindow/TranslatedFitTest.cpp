// Every shipped catalog's texts fit their controls in the main window and the About window:
// a control whose translation needs more room than designed grows, its neighbours move
// along and nothing overlaps or leaves the window. Measured with the fonts' metrics.
#include <QDir>
#include <QFileInfo>

#include "about/AboutForm.h"
#include "tests/mainwindow/MainFormFixture.h"

namespace {

// The text a control shows: "&&" is a literal ampersand, a single "&" marks the access key.
QString ShownText(QString text) {
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    return text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
}

// Why the control's text does not fit, or nothing.
std::string Misfit(const QWidget* control) {
    const QFontMetrics metrics = control->fontMetrics();
    const std::string name = control->objectName().toStdString();
    if (const auto* button = qobject_cast<const QPushButton*>(control)) {
        // A button's frame and margins take a few pixels on each side.
        const int needed = metrics.horizontalAdvance(ShownText(button->text())) + 8;
        if (needed > button->width()) {
            return name + " needs " + std::to_string(needed) + " of " +
                   std::to_string(button->width());
        }
        return {};
    }
    const auto* label = qobject_cast<const QLabel*>(control);
    const QRect room = label->contentsRect();
    if (label->wordWrap()) {
        const int height =
            metrics.boundingRect(QRect(0, 0, room.width(), 10000), Qt::TextWordWrap, label->text())
                .height();
        return height > room.height() ? name + " needs height " + std::to_string(height) : "";
    }
    const int width = metrics.horizontalAdvance(label->text());
    return width > room.width() ? name + " needs width " + std::to_string(width) : "";
}

// Every translatable control of the window: its text fits, it lies inside the window and no
// two of them (nor one and the list) overlap.
void ExpectTextsFit(QWidget* window, const std::string& context) {
    std::vector<QWidget*> controls;
    for (QWidget* child : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isVisibleTo(window) && (qobject_cast<WideButton*>(child) != nullptr ||
                                           qobject_cast<WideLabel*>(child) != nullptr ||
                                           qobject_cast<QScrollArea*>(child) != nullptr)) {
            controls.push_back(child);
        }
    }
    ASSERT_FALSE(controls.empty()) << context;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const std::string name = controls[i]->objectName().toStdString();
        if (qobject_cast<QScrollArea*>(controls[i]) == nullptr) {
            EXPECT_EQ(Misfit(controls[i]), "") << context;
        }
        EXPECT_TRUE(window->rect().contains(controls[i]->geometry())) << context << " " << name;
        for (std::size_t j = i + 1; j < controls.size(); ++j) {
            // The list's designed bottom line is the help text's top line.
            const bool list = qobject_cast<QScrollArea*>(controls[i]) != nullptr ||
                              qobject_cast<QScrollArea*>(controls[j]) != nullptr;
            const QRect shared = controls[i]->geometry().intersected(controls[j]->geometry());
            EXPECT_TRUE(shared.isEmpty() || (list && shared.height() <= 1))
                << context << " " << name << " / " << controls[j]->objectName().toStdString();
        }
    }
}

struct FitCase {
    QString file;
    int pixelSize;  // the desktop's interface font
};

class TranslatedFitTest : public MainFormTest, public ::testing::WithParamInterface<FitCase> {};

std::vector<FitCase> ShippedCases() {
    std::vector<FitCase> cases;
    const QStringList files = QDir(QStringLiteral(VANTREL_MESSAGES_DIR))
                                  .entryList({QStringLiteral("*.lcl")}, QDir::Files);
    for (const QString& file : files) {
        for (int pixelSize : {12, 16}) {
            cases.push_back({file, pixelSize});
        }
    }
    return cases;
}

TEST_P(TranslatedFitTest, EveryTranslatedTextFits) {
    const std::int32_t language = QFileInfo(GetParam().file).baseName().toInt(nullptr, 16);
    ASSERT_GT(language, 0) << GetParam().file.toStdString();
    Session translated(codePages, language);
    translated.catalog.Load(QFile::encodeName(QStringLiteral(VANTREL_MESSAGES_DIR)).toStdString());
    ASSERT_NE(translated.catalog.FindLanguage(language), nullptr);
    QFont font = QApplication::font();
    font.setPixelSize(GetParam().pixelSize);
    fake->SetInterfaceFont(font);
    fake->AddWindow(QStringLiteral("Editor"));
    const std::string context =
        GetParam().file.toStdString() + " at " + std::to_string(GetParam().pixelSize) + " px";

    TMainForm main(translated, *fake);
    main.ApplyLanguage(language);
    for (int monitors : {1, 3}) {
        fake->SetMonitors(std::vector<QRect>(static_cast<std::size_t>(monitors), {0, 0, 800, 600}));
        ExpectTextsFit(&main, context + ", " + std::to_string(monitors) + " monitors");
    }
    // The window may grow, never shrink below its designed size.
    EXPECT_GE(main.width(), TMainForm::kDesignedWidth);

    TAboutForm about(translated, fake->System());
    about.ApplyLanguage(language);
    ExpectTextsFit(&about, context + ", About");
}

INSTANTIATE_TEST_SUITE_P(Catalogs, TranslatedFitTest, ::testing::ValuesIn(ShippedCases()),
                         [](const ::testing::TestParamInfo<FitCase>& info) {
                             return QFileInfo(info.param.file).baseName().toStdString() + "At" +
                                    std::to_string(info.param.pixelSize) + "px";
                         });

}  // namespace
