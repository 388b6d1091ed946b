// Placeholder until form translation lands.
#include "l10n/FormTranslation.h"

void TranslateForm(QWidget*, std::int32_t) {}
void TranslateControl(const std::string&, QObject*, const TLanguageStrings&) {}
void ApplySystemFont(QFont&) {}
void ApplyDefaultGuiFont(QFont&) {}
void AdoptLogicalFont(QFont&, const LogicalFont&) {}
