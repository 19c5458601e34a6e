#pragma once
// The synchronisation page in the main window: its host calls go to the main
// window's status bar, help line and action states.
class TfMain;
class TfSync;

TfSync *MakeSyncPage(TfMain &main);
