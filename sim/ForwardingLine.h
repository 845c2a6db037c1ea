#pragma once
// A serial line that hands every call on to another one: the base of the
// test doubles that stand between a job and its line (to count its calls, to
// make writes fail, to cut the line at a chosen moment). A subclass
// overrides the calls it has a say in.

#include "link/SerialLine.h"

namespace hk::sim {

class ForwardingLine : public SerialLine {
public:
    explicit ForwardingLine(SerialLine& inner) : inner_(inner) {}
    bool IsOpen() const override { return inner_.IsOpen(); }

protected:
    bool DoOpen(const std::string& name) override { return inner_.Open(name); }
    void DoClose() override { inner_.Close(); }
    bool DoGetParams(LineParams& p) override { return inner_.GetParams(p); }
    bool DoSetParams(const LineParams& p) override { return inner_.SetParams(p); }
    bool DoSetTimeouts(const CommTimeouts& t) override {
        SerialLine::DoSetTimeouts(t);
        return inner_.SetTimeouts(t);
    }
    bool DoSetDtr(bool on) override { return inner_.SetDtr(on); }
    bool DoSetRts(bool on) override { return inner_.SetRts(on); }
    bool DoPurgeRx() override { return inner_.PurgeRx(); }
    bool DoSetParityCheck(bool on) override { return inner_.SetParityCheck(on); }
    long DoWrite(const std::uint8_t* data, std::size_t count) override {
        return inner_.Write(data, count);
    }
    long DoRead(std::uint8_t* data, std::size_t count) override { return inner_.Read(data, count); }

    SerialLine& inner_;
};

}  // namespace hk::sim
