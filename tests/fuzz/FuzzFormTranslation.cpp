// libFuzzer target: any bytes as the catalog of a small window, translated offscreen.
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QScrollArea>
#include <QToolButton>

#include <cstdint>
#include <cstdlib>

#include "l10n/FormTranslation.h"
#include "platform/IcuCodePages.h"
#include "widgets/WideControls.h"

namespace {

class FuzzForm : public QWidget, public WideTextForm {};

struct Window {
    FuzzForm form;
    QToolButton* display = nullptr;
    QLabel* plain = nullptr;
};

template <typename T>
T* Add(QWidget* parent, const char* name) {
    auto* widget = new T(parent);
    widget->setObjectName(name);
    return widget;
}

// The program's controls in miniature: named wide controls, a group box, a scroll area with
// unnamed rows and display buttons, and plain controls that are never translated.
Window* MakeWindow() {
    auto* window = new Window;
    QWidget* form = &window->form;
    Add<WideButton>(form, "OKButtonW");
    Add<WideLabel>(form, "MonitorsLabelW");
    window->plain = Add<QLabel>(form, "MonitorsLabel");
    auto* box = Add<WideGroupBox>(form, "Box");
    Add<WideLabel>(box, "HelpLabelW");
    Add<WideButton>(box, "");
    auto* scroll = Add<QScrollArea>(form, "WindowsScrollBox");
    auto* rows = new QWidget;
    Add<WideLabel>(rows, "");
    window->display = Add<QToolButton>(rows, "");
    scroll->setWidget(rows);
    window->display->setText("1");
    window->plain->setText("plain");
    return window;
}

Window* TheWindow = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(*argc, *argv);  // lives as long as the process
    TheWindow = MakeWindow();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const IcuCodePages codePages;
    Catalog catalog(codePages, 0x0409);
    auto language = ParseCatalogBytes(
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)),
        catalog.CodePage());
    language->LangId = 0x0409;
    catalog.Add(std::move(language));
    TheWindow->form.setObjectName(size % 2 == 0 ? "MainForm" : "AboutForm");
    TranslateForm(&TheWindow->form, catalog, 0x0409);
    if (TheWindow->display->text() != "1" || TheWindow->plain->text() != "plain") {
        std::abort();  // only the wide-text kinds may change
    }
    return 0;
}
