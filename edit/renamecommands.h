#pragma once

class Session;

// "File Name <- Name" (32783) and "File Name <- Artist - Name" (32798): rename every selected
// row's file (and a companion .txt file of the same base name) after the row's texts.
void OnNameToFileName(Session& session);
void OnArtistNameToFileName(Session& session);
