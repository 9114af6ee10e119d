// The document switch: turns requestedPath into the document on screen.
#pragma once

// Every file source writes requestedPath first, then calls this. The file
// already loaded is not read again (a paused animation resumes); any other
// path releases the current document completely before the new file is
// read, so a failed load always leaves the empty player.
void switchDocument();
