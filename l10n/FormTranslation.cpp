// Replacing the captions and hints of a window's controls with catalog texts.
#include "l10n/FormTranslation.h"

#include <QPointer>

#include "widgets/WideControls.h"

namespace {

const std::string kAllForms = "<ALL>";
const std::string kFormItself = "<DEFAULT>";

std::string ComponentName(const QObject& object, const CatalogCodePage& codePage) {
    return codePage.Encode(object.objectName());
}

// Sets caption and hint when control is of a translatable kind; other kinds keep theirs.
void SetTexts(QObject& control, const QString& text, const QString& hint) {
    if (auto* button = qobject_cast<WideButton*>(&control)) {
        button->setText(text);
        button->setToolTip(hint);
    } else if (auto* label = qobject_cast<WideLabel*>(&control)) {
        label->setText(text);
        label->setToolTip(hint);
    } else if (auto* group = qobject_cast<WideGroupBox*>(&control)) {
        group->setTitle(text);
        group->setToolTip(hint);
    }
}

// The controls placed on widget, in child-list order. Windows that merely belong to it
// (dialogs, popup menus, clones) are not controls of the form and are left out.
QList<QPointer<QWidget>> ChildControls(const QObject& widget) {
    QList<QPointer<QWidget>> controls;
    for (QObject* child : widget.children()) {
        auto* control = qobject_cast<QWidget*>(child);
        if (control && !control->isWindow()) {
            controls.append(control);
        }
    }
    return controls;
}

void TranslateChildren(const std::string& formName, const QObject& parent,
                       const TLanguageStrings& language, const CatalogCodePage& codePage) {
    for (const QPointer<QWidget>& child : ChildControls(parent)) {
        if (child) {
            TranslateControl(formName, child.data(), language, codePage);
        }
    }
}

}  // namespace

void TranslateForm(QWidget* form, const Catalog& catalog, std::int32_t langId) {
    if (!form) {
        return;
    }
    const TLanguageStrings* language = catalog.FindLanguage(langId);
    if (!language) {
        return;
    }
    const std::string formName = ComponentName(*form, catalog.CodePage());
    QString text;
    QString hint;
    if (dynamic_cast<WideTextForm*>(form) &&
        FindString(*language, formName, kFormItself, text, hint)) {
        form->setWindowTitle(text);
        form->setToolTip(hint);
    }
    TranslateChildren(formName, *form, *language, catalog.CodePage());
}

void TranslateControl(const std::string& formName, QObject* control,
                      const TLanguageStrings& language, const CatalogCodePage& codePage) {
    if (!control) {
        return;
    }
    const std::string name = ComponentName(*control, codePage);
    QString text;
    QString hint;
    bool matched = FindString(language, kAllForms, name, text, hint);
    // The form's own entry always overrides the shared one, its empty hint included.
    matched = FindString(language, formName, name, text, hint) || matched;
    if (matched) {
        SetTexts(*control, text, hint);
    }
    TranslateChildren(formName, *control, language, codePage);
}
