#pragma once

class Session;

// "Remove ID3v2 tags" (32790): cuts a leading ID3v2 tag off every selected row's file. The
// rows, the journal and the Undo item stay as they are.
void OnRemoveId3v2(Session& session);
