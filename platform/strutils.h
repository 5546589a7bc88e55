#pragma once
// Small text, file name and folder routines shared by the controls and the
// windows. Positions are 1-based, as the callers count them. The folder
// chooser is kv::BrowseForFolder of platform/ui.h.
#include <QString>

namespace kv {

// True when every character of `text` is one of `chars` (true for "").
bool ConsistsOnlyOf(const QString &text, const QString &chars);
// Every occurrence of `search`, left to right without overlap, replaced by
// `subst`; the inserted text is not searched again. "" searches nothing.
QString SubstituteAll(const QString &text, const QString &search, const QString &subst);
QString RepeatChar(QChar c, int count);
// Words are runs of characters outside `delims`. 0 / "" when there is no n-th word.
int NthWordStart(int n, const QString &text, const QString &delims);
QString NthWord(int n, const QString &text, const QString &delims);

// The folder with a separator at the end: "" stays "", a path that already
// ends in "/" or "\" (or is a drive such as "C:") is kept; otherwise "\" is
// added to a path written with backslashes only, "/" to any other.
QString WithTrailingBackslash(const QString &folder);

// Upper bound of FindFreeFileName's tries.
constexpr int kFindFreeFileNameTries = 100000;
// The first name `pattern` with its one "%d" replaced by 0, 1, 2, ... that no
// file in `folder` has (compared without regard to case, since old files
// come from a system that ignores it). The bare name, or "" when the pattern
// holds no single "%d" or no name is free within the tries.
// `first` is the number tried first.
QString FindFreeFileName(const QString &folder, const QString &pattern,
                         int maxTries = kFindFreeFileNameTries, int first = 0);

} // namespace kv
