#pragma once

#include "dialogs/PhoneDialog.h"
#include "search/SearchCriteria.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

// "Search criteria": the name or pattern to look for, where (the whole phone or the current
// folder) and the three options. "Find" refuses an empty pattern and turns a plain name into
// "*name*"; the criteria it was given are updated only when it ends with Find.
class SearchCriteriaDialog : public PhoneDialog {
    Q_OBJECT
public:
    explicit SearchCriteriaDialog(SearchCriteria& criteria, QWidget* parent = nullptr);

protected:
    bool initialise() override;
    bool onCommand(int commandId) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    SearchCriteria& m_criteria;
    QLineEdit* m_pattern;
    QComboBox* m_place;
    QCheckBox* m_system;
    QCheckBox* m_hidden;
    QCheckBox* m_subfolders;
};
