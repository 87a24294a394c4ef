// TForm5, the workers list "Список рабочих".
#pragma once

#include "refdata/list_window.h"

#include <optional>

namespace refdata {
// The worker a pick hands back.
struct PickedWorker {
    int id = 0;
    QString name; // fio without surrounding blanks
};
} // namespace refdata

class TForm5 : public refdata::ListWindow {
    Q_OBJECT
public:
    explicit TForm5(QWidget* parent = nullptr);

    // Edit1 searches by name.

    // Browse mode, from the menu "Справочники" → "Рабочие".
    void ShowBrowse();
    // Pick mode: tag 1 for the shift record editor, 24 for the household-works entry
    // window. The worker chosen, none when the list was left without a choice.
    std::optional<refdata::PickedWorker> ShowPick(int tag);
    std::optional<refdata::PickedWorker> Picked;

public slots:
    void Button1Click() override; // add
    void Button3Click() override; // delete

protected:
    void changeRow() override;
    // The worker's name and key into Picked, whichever window picked.
    void handBack() override;
};

extern TForm5* Form5;
