// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Edit > Quality Control in the window: each asks for its settings in a dialog, runs
// the core command and shows what it found. The settings last used are offered again.
namespace aq::gui {

class CMainFrame;

// Lines: the table of the survey lines in a dock. Choosing a line selects its first
// position and highlights the line in both views; the table is found again, with the
// same settings, whenever the survey changes (when the dock next opens, if it is closed).
void ShowSurveyLines(CMainFrame& frame);
// Crossings: the statistics, the order achieved and the table of the crossings in a
// dialog of their own, from which they can be copied or saved; the crossings also in a
// CSV file when one is named.
void ShowCrossings(CMainFrame& frame);
// Flag Spikes: deletes the spikes and says how many went (the window makes it one undo
// step, as every command that changes the survey).
void FlagSpikesInWindow(CMainFrame& frame);
// Surface > Survey Report: asks where the PDF goes, writes it with the crossings CSV
// beside it (the lines and limits last used for Crossings), and says where they went.
void SurveyReportInWindow(CMainFrame& frame);

}  // namespace aq::gui
