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

    // The size text of this page, whose limits lie one byte above those of the bands: 1024
    // bytes are "1024 B", 1025 are "1.0 KB", 1048577 are "1.00 MB".
    static QString sizeText(qint64 bytes);

private:
    QLabel* m_files;
    QLabel* m_remaining;
    QLabel* m_current;
    QLabel* m_size;
    ProgressStrip* m_bar;
};
