// Channels between a proxy and the stub of an object, and the helpers that connect the two. They stand
// where COM's interface marshalling stands: each helper finds the interface's proxy/stub library as
// COM does, through "Interface\{iid}\ProxyStubClsid32" and "CLSID\{clsid}\InprocServer32" in HKCR,
// loads it and asks its DllGetClassObject for the IPSFactoryBuffer.
#pragma once
#include <functional>
#include <memory>

#include "objbase.h"

namespace com {

// One thread on which the objects and stubs connected to it live; every call made through one of its
// channels runs there, one at a time, while the caller waits.
class Apartment {
 public:
  Apartment();
  ~Apartment();  // disconnects and releases the stubs still connected, then ends the thread
  Apartment(const Apartment&) = delete;
  Apartment& operator=(const Apartment&) = delete;

  // Runs fn on the apartment's thread and waits for it (runs it at once when called there).
  void Run(const std::function<void()>& fn);

  struct State;

 private:
  friend HRESULT ConnectInApartment(Apartment&, IUnknown*, REFIID, void**);
  std::shared_ptr<State> state_;
};

// A proxy for riid (in *ppv) whose calls reach `object` on the apartment's thread.
HRESULT ConnectInApartment(Apartment& apartment, IUnknown* object, REFIID riid, void** ppv);

// Serves `object` for riid on the socket fd: handles one call after the other until the peer closes
// (S_OK) or a frame breaks off (a failure). Closes fd.
HRESULT ServeOnSocket(int fd, IUnknown* object, REFIID riid);

// A proxy for riid (in *ppv) whose calls travel over the socket fd, which it takes over. A call after
// the peer is gone fails with HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE), one the peer does not
// answer with HRESULT_FROM_WIN32(RPC_S_CALL_FAILED).
HRESULT ConnectToSocket(int fd, REFIID riid, void** ppv);

// The proxy/stub factory of riid, found through the registry; the library stays loaded.
HRESULT GetPSFactory(REFIID riid, IPSFactoryBuffer** factory);

}  // namespace com
