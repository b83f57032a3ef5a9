#include "search/SearchCriteriaDialog.h"

#include "dialogs/MessageBox.h"
#include "resources/Commands.h"
#include "resources/DialogTemplates.h"
#include "resources/StringTable.h"
#include "resources/UnnumberedTexts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

// The order of the "Search in" texts.
constexpr int WholePhoneChoice = 0;
constexpr int FolderChoice = 1;

// The phone's spin box: Left and Right step through its texts, and Up and Down are left to
// the dialog, which moves between the controls with them.
class SpinChoice : public QComboBox {
public:
    using QComboBox::QComboBox;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Right: {
            const int step = event->key() == Qt::Key_Right ? 1 : count() - 1;
            setCurrentIndex((currentIndex() + step) % count());
            return;
        }
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Home:
        case Qt::Key_End: event->ignore(); return;
        default: QComboBox::keyPressEvent(event);
        }
    }
};

}  // namespace

SearchCriteriaDialog::SearchCriteriaDialog(SearchCriteria& criteria, QWidget* parent)
    : PhoneDialog(DialogTemplates::SearchCriteria, parent), m_criteria(criteria)
{
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(new QLabel(Txt::text(Txt::SearchName)));
    m_pattern = new QLineEdit;
    layout->addWidget(m_pattern);
    layout->addWidget(new QLabel(Txt::text(Txt::SearchIn)));
    m_place = new SpinChoice;
    m_place->addItem(Str::text(Str::SearchWholePhone));
    m_place->addItem(Str::arg(Str::SearchInFolder, criteria.folderName));
    layout->addWidget(m_place);
    m_system = new QCheckBox(Txt::text(Txt::SearchSystem));
    m_hidden = new QCheckBox(Txt::text(Txt::SearchHidden));
    m_subfolders = new QCheckBox(Txt::text(Txt::SearchSubfolders));
    for (QCheckBox* box : {m_system, m_hidden, m_subfolders}) {
        layout->addWidget(box);
        box->installEventFilter(this);
    }
    layout->addStretch(1);
    setContent(content);
}

bool SearchCriteriaDialog::initialise()
{
    m_pattern->setText(m_criteria.pattern);
    m_place->setCurrentIndex(m_criteria.wholePhone ? WholePhoneChoice : FolderChoice);
    m_system->setChecked(m_criteria.searchSystem);
    m_hidden->setChecked(m_criteria.searchHidden);
    m_subfolders->setChecked(m_criteria.includeSubfolders);
    if (!m_pattern->text().isEmpty()) {
        m_pattern->selectAll();
        m_pattern->end(true);  // the caret at the end, in view, the whole text still selected
    }
    m_pattern->setFocus();
    return true;
}

bool SearchCriteriaDialog::onCommand(int commandId)
{
    if (commandId != Cmd::Ok)
        return false;
    const QString typed = m_pattern->text();
    if (typed.isEmpty()) {
        MessageBox::error(this, Str::text(Str::SearchCriteriaMissing));
        m_pattern->setFocus();
        return true;
    }
    m_criteria.searchSystem = m_system->isChecked();
    m_criteria.searchHidden = m_hidden->isChecked();
    m_criteria.includeSubfolders = m_subfolders->isChecked();
    m_criteria.wholePhone = m_place->currentIndex() == WholePhoneChoice;
    // The whole phone is every folder of it, whatever the box says.
    if (m_criteria.wholePhone)
        m_criteria.includeSubfolders = true;
    m_criteria.pattern = SearchCriteria::patternFor(typed);
    return false;  // the frame ends the dialog with 1
}

// Left and Right tick and clear a check box, as the phone's keys change the value of the
// focused control.
bool SearchCriteriaDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (auto* box = qobject_cast<QCheckBox*>(watched);
            box && (key->key() == Qt::Key_Left || key->key() == Qt::Key_Right)) {
            box->toggle();
            return true;
        }
    }
    return PhoneDialog::eventFilter(watched, event);
}
