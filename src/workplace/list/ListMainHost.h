#pragma once
// The certificate list in the main window: its host calls go to the main
// window's actions and help line, the language window, the blank question
// and the print page.
class TfList;
class TfMain;

TfList *MakeCertificateList(TfMain &main);
