// The names, descriptions and buddies of the controls, for assistive technology, from the table
// in accessible_texts.h.
#include "app/accessible_texts.h"
#include "app/accessible_window.h"
#include "app/frm_main.h"
#include "app/qt_text.h"

#include <QLabel>

namespace tensilo::app {

void FrmMain::DescribeControls() {
    RegisterAccessibleWindow(*this);
    for (const AccessibleText& text : kAccessibleTexts) {
        Control* control = this->control(text.control);
        QWidget* widget = control->widget();
        widget->setAccessibleName(ToQString(text.name));
        if (auto* field = dynamic_cast<CaptionedControl*>(control);
            field && text.description.empty())
            field->setCaptionDescribes(true);
        else
            widget->setAccessibleDescription(ToQString(text.description));
        if (!text.labelledBy.empty())
            if (auto* label = qobject_cast<QLabel*>(this->control(text.labelledBy)->widget()))
                label->setBuddy(widget);
    }
}

} // namespace tensilo::app
