#pragma once

#include "dialogs/JobDialog.h"

class ProgressStrip;
class QLabel;

// The content of the progress page of an encryption or decryption: the file, a bar, and how
// much of it is done.
class CryptProgressView : public JobView {
public:
    explicit CryptProgressView(const QString& fileName);
    void refresh(const JobContext& context) override;

private:
    QLabel* m_done;
    ProgressStrip* m_bar;
};
