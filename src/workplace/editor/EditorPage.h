#pragma once
// The certificate editor as a page of the main window.
class TfMain;

// Registers the page "fEdit" and wires its requests to the main window's
// actions, status bar and list.
void RegisterEditorPage(TfMain &main);
