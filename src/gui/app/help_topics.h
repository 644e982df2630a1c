// The help topics of the workstation, keyed by the system's topic numbers: Russian HTML pages kept
// in the program's resources, and the table of cyclic codes built from bchTable.
//
// A page links to another with the scheme "topic:": "topic:13" is topic 13, "topic:TabCycle" the
// table of cyclic codes. Nothing else is a help link; the viewer opens nothing else.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QUrl;

namespace spi::gui {

// Topic numbers that have a page; 0 is the contents.
QList<int> HelpTopicNumbers();
// The page of a numbered topic (the contents for 0 or an unknown number).
QString HelpTopicHtml(int topic);
// A named topic: "TabCycle" is the table of cyclic codes; unknown names give the contents.
QString HelpNamedHtml(const QString &name);
// The table of cyclic codes, generated from the built-in table.
QString TabCycleHtml();

// Names of the named topics ("TabCycle").
QStringList HelpNamedTopics();
// The key a help link points to: "0".."19" for a numbered topic that exists, a name of
// HelpNamedTopics(), or an empty string when the link is not a link to an existing topic.
QString HelpLinkKey(const QUrl &link);
// The page of a key as HelpLinkKey gives it; an unknown key gives the contents.
QString HelpPageHtml(const QString &key);

} // namespace spi::gui
