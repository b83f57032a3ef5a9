#pragma once

#include <QString>

// What the "Find..." command keeps between the criteria and the results for as long as the
// user goes back and forth between them: the pattern as the search uses it, the options and
// the place. Plain data with the rules that change it.
struct SearchCriteria {
    QString pattern;
    bool searchSystem = false;
    bool searchHidden = false;
    bool includeSubfolders = true;
    QString folderName;  // the bare name of the current folder, for "Folder '%s'"
    bool wholePhone = false;

    // The pattern a search uses for what was typed: a name without "*" or "?" is looked for
    // anywhere in a name, as "*name*".
    static QString patternFor(const QString& typed);
    // The pattern as shown again by "Back to criteria...": the stars that "*name*" has around
    // it are taken off, so the user sees what was typed. A pattern of stars alone keeps them
    // ("**" would otherwise come back empty).
    static QString patternShownAgain(const QString& pattern);
    // "New search...": an empty pattern and the first options again; the place stays.
    void resetForNewSearch();
};
