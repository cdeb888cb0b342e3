#include "U_splash.h"

#include "FormFields.h"
#include "TypeRegistry.h"
#include "U_Data.h"

TFrm_Splash* Frm_Splash = nullptr;

void TFrm_Splash::Loaded() {
    inherited::Loaded();
    BindComponent(this, Image1, "Image1");
}

void TFrm_Splash::FormCreate(TObject*) {
    try {
        Image1->Picture()->LoadFromFile(ProgramFolder() + kSplashPicture);
    } catch (const std::exception&) {
        // Shown without a picture.
    }
}

void TFrm_Splash::Image1Click(TObject*) {
    Close();
}

void RegisterSplashClasses() {
    RegisterExtCtrlsClasses();
    RegisterComponentClass<TFrm_Splash>();
    RegisterProperties<TFrm_Splash>()
        .Handler<&TFrm_Splash::FormCreate>("FormCreate")
        .Handler<&TFrm_Splash::Image1Click>("Image1Click");
}
