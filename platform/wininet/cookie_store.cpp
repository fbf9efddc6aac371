// One curl share object holds the cookies of every request in the process.
#include "platform/wininet/cookie_store.h"

#include <mutex>

#include "platform/wininet/curl_library.h"

namespace {

class SharedCookies {
 public:
  SharedCookies() : share_(Curl()->shareInit()) {
    Curl()->shareSetopt(share_, CURLSHOPT_LOCKFUNC, Lock);
    Curl()->shareSetopt(share_, CURLSHOPT_UNLOCKFUNC, Unlock);
    Curl()->shareSetopt(share_, CURLSHOPT_USERDATA, this);
    Curl()->shareSetopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
  }
  ~SharedCookies() { Curl()->shareCleanup(share_); }
  SharedCookies(const SharedCookies&) = delete;
  SharedCookies& operator=(const SharedCookies&) = delete;

  CURLSH* share() const { return share_; }

 private:
  static void Lock(CURL*, curl_lock_data data, curl_lock_access, void* self) {
    static_cast<SharedCookies*>(self)->mutexes_[data].lock();
  }
  static void Unlock(CURL*, curl_lock_data data, void* self) {
    static_cast<SharedCookies*>(self)->mutexes_[data].unlock();
  }

  // One lock for each kind of shared data, as curl may hold two kinds at once.
  std::mutex mutexes_[CURL_LOCK_DATA_LAST];
  CURLSH* share_;
};

}  // namespace

void UseSharedCookieStore(CURL* easy) {
  static SharedCookies cookies;
  Curl()->easySetopt(easy, CURLOPT_SHARE, cookies.share());
  Curl()->easySetopt(easy, CURLOPT_COOKIEFILE, "");  // turns the cookie engine on, reads no file
}
