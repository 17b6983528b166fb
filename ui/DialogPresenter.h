#pragma once

class QDialog;

namespace nearbell {

// Runs a modal dialog until it is closed and says whether it was accepted.
// Tests replace it to fill in and answer the dialog without a modal loop.
class DialogPresenter
{
public:
    virtual ~DialogPresenter() = default;
    virtual bool present(QDialog &dialog) = 0;
};

// The real one: QDialog::exec.
class QtDialogPresenter : public DialogPresenter
{
public:
    bool present(QDialog &dialog) override;
};

} // namespace nearbell
