#pragma once

#include "dialogs/JobDialog.h"

class ProgressStrip;
class QLabel;

// The content of the "Zip/Unzip progress..." page: the archive, how many files in all and how
// many remain, the file at hand, a bar and the bytes done so far.
class ZipProgressView : public JobView {
public:
    explicit ZipProgressView(const QString& archiveName);
    void refresh(const JobContext& context) override;

private:
    QLabel* m_files;
    QLabel* m_remaining;
    QLabel* m_current;
    QLabel* m_size;
    ProgressStrip* m_bar;
};
