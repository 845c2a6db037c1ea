#include "app/HayesApplication.h"

#include "app/MainModemWindow.h"
#include "app/TFm1.h"
#include "app/TFm2.h"
#include "device/ui/TFm3.h"
#include "modem/ModemConsole.h"

namespace hk {

HayesApplication::HayesApplication(SerialLine& line, Clock& clock, ViewHooks& view,
                                   const QString& programDir)
    : link_(line, clock, view) {
    fm1_ = std::make_unique<TFm1>(state_, link_, view, programDir);
    fm2_ = new TFm2(state_, link_, view, fm1_.get());
    TFm1* fm1 = fm1_.get();
    fm3_ = new TFm3(
        state_, link_, view,
        [fm1](int context, QWidget* owner) { fm1->ShowHelpContext(context, owner); }, fm1);
    fm1_->SetDialogs(fm2_, fm3_);
    modemWindow_ = std::make_unique<MainModemWindow>(*fm1_, *fm2_, state_);
    console_ = std::make_unique<ModemConsole>(state_, link_, *modemWindow_);
    fm1_->SetModemConsole(console_.get());
}

HayesApplication::~HayesApplication() { fm1_->SetModemConsole(nullptr); }

}  // namespace hk
