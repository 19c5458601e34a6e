#pragma once
// The data actions of the main window's File menu (archives, the update
// package and the pick-list loaders): each handler catches what its work
// raises and records it under its location text; the update package's
// errors go to the application's exception handler.
class TfMain;

// Gives the main window the handlers of its data actions.
void RegisterDataActions(TfMain &main);
