#pragma once

#include <QList>
#include <QString>

// What the Back key does in a dialog.
enum class BackKeyMode {
    ForwardToEdit,  // deletes the character before the cursor of a focused text field; elsewhere as None
    Overridden,     // taken from the phone and ignored
    None,           // ends the dialog with 2
};

// The fixed part of a dialog: its number, title, soft-key bar and Back key, and which of the
// two set-up failures it tells the user before it ends.
struct DialogTemplate {
    int id = 0;
    QString title;
    int barId = 0;
    BackKeyMode backKey = BackKeyMode::None;
    bool tellsFullScreenFailure = false;
    bool tellsBarFailure = false;
};

namespace DialogTemplates {

enum Id : int {
    NewItem = 101,
    Receiving = 103,
    Sending = 113,
    About = 116,
    Properties = 114,
    DeleteSelection = 118,
    SearchCriteria = 119,
    SearchResults = 120,
    CreateZip = 122,
    ZipProgress = 123,
    SelectFolder = 124,
    OpenWith = 125,
    RunCommand = 126,
    Favorites = 127,
    SendTo = 128,
    FileType = 129,
    FileTypes = 130,
    Question = 131,
    Crypt = 132,
    Decrypt = 133,
    SendEmail = 135,
};

// The template of a number; nullptr for a number that is no dialog.
const DialogTemplate* find(int id);
QList<int> ids();

// The page of a long task, titled by its caller: no number of its own, Cancel its one key,
// and Back taken from the phone so that a stray press cannot stop the task.
DialogTemplate progressPage(const QString& title);

}  // namespace DialogTemplates
