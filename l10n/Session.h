// What the forms share for the life of the program: its title, the user's language and the
// loaded catalog. Built once at start-up and handed to the forms.
#pragma once

#include <QString>

#include <cstdint>

#include "l10n/Catalog.h"

struct Session {
    Session(const CodePages& codePages, std::int32_t language)
        : languageId(language), catalog(codePages, static_cast<std::uint32_t>(language)) {}

    // The main window's caption, the tray tooltip and the message box caption.
    QString applicationTitle = QStringLiteral("Quillane Vantrel");
    // The language id of the user's locale; every catalog lookup receives it.
    std::int32_t languageId;
    Catalog catalog;
};
