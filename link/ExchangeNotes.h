#pragma once
// The exchange log as the exchanges see it: the lines they add above the
// bytes that the line's traffic tap already delivers (a job's title, one
// decoded line per exchange, one line per search attempt) and the scopes in
// which bytes are kept out of it. The log itself (log/ExchangeLog.h)
// implements it; the serial link holds it when one is kept. Texts are UTF-8.

#include <string>

namespace hk {

class ExchangeNotes {
public:
    virtual ~ExchangeNotes() = default;

    // A job starts: its title ("Подбор: запись в КВАРД, Com1"); the time since
    // the job started counts from here.
    virtual void BeginJob(const std::string& title) = 0;
    // A decoded line (not recorded while quiet).
    virtual void Note(const std::string& text) = 0;
    // A line recorded also while quiet (one line per search attempt).
    virtual void Summary(const std::string& text) = 0;

    // One exchange: its bytes are held back until it ends, and then follow
    // its decoded line (timed at the exchange's start), so that each
    // exchange reads as a line with its bytes below it. The guard before a
    // request that follows a failed one ends the same way with
    // "опоздавший ответ …" above what it discarded; an empty text adds no
    // line (nothing came).
    virtual void BeginExchange() = 0;
    virtual void EndExchange(const std::string& text) = 0;

    // The name of the next exchange's request ("Статус", "STOP"), put before
    // its decoded line; taken by that exchange.
    virtual void SetNextLabel(std::string label) = 0;
    virtual std::string TakeLabel() = 0;

    // While quiet, bytes and decoded lines are not recorded; while secret,
    // bytes are masked. Scopes nest.
    virtual bool Quiet() const = 0;
    virtual bool Secret() const = 0;

    enum class ScopeKind { Quiet, Secret };
    class Scope {
    public:
        Scope(ExchangeNotes* notes, ScopeKind kind) : notes_(notes), kind_(kind) {
            if (notes_) notes_->EnterScope(kind_);
        }
        ~Scope() {
            if (notes_) notes_->LeaveScope(kind_);
        }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        ExchangeNotes* notes_;
        ScopeKind kind_;
    };
    // No log (nullptr) makes an empty scope.
    static Scope QuietScope(ExchangeNotes* notes) { return {notes, ScopeKind::Quiet}; }
    static Scope SecretScope(ExchangeNotes* notes) { return {notes, ScopeKind::Secret}; }

protected:
    virtual void EnterScope(ScopeKind kind) = 0;
    virtual void LeaveScope(ScopeKind kind) = 0;
};

}  // namespace hk
