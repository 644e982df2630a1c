// The help topics of the workstation, keyed by the system's topic numbers: Russian HTML pages kept
// in the program's resources, and the table of cyclic codes built from bchTable.
#pragma once

#include <QList>
#include <QString>

namespace spi::gui {

// Topic numbers that have a page; 0 is the contents.
QList<int> HelpTopicNumbers();
// The page of a numbered topic (the contents for 0 or an unknown number).
QString HelpTopicHtml(int topic);
// A named topic: "TabCycle" is the table of cyclic codes; unknown names give the contents.
QString HelpNamedHtml(const QString &name);
// The table of cyclic codes, generated from the built-in table.
QString TabCycleHtml();

} // namespace spi::gui
