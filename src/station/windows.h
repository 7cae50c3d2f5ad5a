#pragma once
// The station's six windows, created once at start-up in this order and kept
// until the program ends. Set and cleared by tarvik::station::Station.

class TfrMain;
class TAbou;
class TfrSetting;
class TForm1;
class TFZvit;
class TFormEdit;

extern TfrMain* frMain;
extern TAbou* Abou;
extern TfrSetting* frSetting;
extern TForm1* Form1;
extern TFZvit* FZvit;
extern TFormEdit* FormEdit;
