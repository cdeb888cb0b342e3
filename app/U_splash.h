// The splash window shown while the program starts.
#pragma once

#include "ExtCtrls.h"
#include "Forms.h"

class TFrm_Splash : public TForm {
    VESTREL_CLASS(TFrm_Splash, TForm)
public:
    explicit TFrm_Splash(TComponent* owner) : TForm(owner) {}
    void Loaded() override;

    TImage* Image1 = nullptr;

    // Loads IMG/Splash.bmp from the program's folder; a missing or bad picture leaves it empty.
    void FormCreate(TObject* Sender);
    void Image1Click(TObject* Sender);
};

extern TFrm_Splash* Frm_Splash;

inline constexpr const char* kSplashPicture = "IMG/Splash.bmp";

void RegisterSplashClasses();
