// The About window: product icon, name and version, the copyright notice, and links to the
// product's home page and to the maker's mail address.
#pragma once

#include <QDialog>

#include <cstdint>

#include "widgets/WideControls.h"

struct Session;
class SystemServices;

class QFrame;
class QLabel;
class TAltKeyRepaint;

class TAboutForm : public QDialog, public WideTextForm {
    Q_OBJECT
  public:
    static inline const char* const kHomePage = "https://quillane.example/vantrel";
    static inline const char* const kMailLink = "mailto:vantrel@quillane.example";

    // Made without owner by the About command, which destroys it when it closes. Reads its
    // texts from session's catalog and its font from system.
    TAboutForm(const Session& session, SystemServices& system, QWidget* parent = nullptr);

    // Gives the window the desktop's interface font, then the catalog's texts for the
    // language; the product name keeps its own bold font.
    void ApplyLanguage(std::int32_t languageId);

    QFrame* Bevel1 = nullptr;
    QFrame* Bevel2 = nullptr;
    QLabel* ProductLogoImage = nullptr;
    QLabel* ProductLabel = nullptr;
    QLabel* CopyrightLabel = nullptr;
    WideButton* OKButtonW = nullptr;
    // Repaints the buttons after Alt so their accelerator underlines show at once.
    TAltKeyRepaint* AltKeyRepaint = nullptr;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildDesign();
    void FormCreate();
    void FormShortCut(int keyCode);
    void ProductLabelClick();
    void CopyrightLabelClick();
    bool IsFirstKeyReceiver(const QObject* watched) const;

    const Session& session_;
    SystemServices& system_;
};
