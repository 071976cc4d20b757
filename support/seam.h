// A replaceable implementation of a small interface: what shows message
// boxes, task dialogs, popup menus and file dialogs. The program uses the
// standard implementation; a test installs a scripted double that answers
// from a queue and records what the user would have seen.
//
//   namespace { QtFooPresenter g_standard; Seam<FooPresenter> g_seam(g_standard); }
//   FooPresenter* setFooPresenter(FooPresenter* p) { return g_seam.replace(p); }
//
//   class ScriptedFoo final : public FooPresenter {
//       SeamInstallation<FooPresenter, setFooPresenter> m_installed{this};
//   };
#pragma once

template <class Interface> class Seam {
  public:
    explicit Seam(Interface& standard) : m_standard(standard), m_current(&standard) {}
    Seam(const Seam&) = delete;
    Seam& operator=(const Seam&) = delete;

    // The implementation in use.
    Interface& current() const { return *m_current; }

    // Installs replacement (nullptr restores the standard one) and returns
    // the one it replaces, so that the caller can put it back. The caller
    // keeps ownership of what it installs.
    Interface* replace(Interface* replacement) {
        Interface* previous = m_current;
        m_current = replacement != nullptr ? replacement : &m_standard;
        return previous;
    }

  private:
    Interface& m_standard;
    Interface* m_current;
};

// Installs an implementation while it lives and puts back the one it
// replaced when it ends: the member of a scripted double, so that nested
// doubles restore each other in order. Neither copied nor moved.
template <class Interface, Interface* (*Replace)(Interface*)> class SeamInstallation {
  public:
    explicit SeamInstallation(Interface* installed) : m_previous(Replace(installed)) {}
    ~SeamInstallation() { Replace(m_previous); }
    SeamInstallation(const SeamInstallation&) = delete;
    SeamInstallation& operator=(const SeamInstallation&) = delete;

  private:
    Interface* m_previous;
};
