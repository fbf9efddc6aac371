// Proxies on 127.0.0.1 and an ephemeral port that record what clients asked them for and relay
// the traffic to targets on the loopback interface (other targets are refused).
//
//   test_support::HttpProxy proxy;
//   WebRequest(server.Url("/p"), {.proxy = proxy.Address()});
//   proxy.Requests()[0]  // "CONNECT 127.0.0.1:<port> HTTP/1.1\r\n..." for https
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace test_support {

class LoopbackListener;

// An HTTP proxy: CONNECT tunnels (for https) and absolute-form requests (for http), which it
// passes on in origin form.
class HttpProxy {
 public:
  HttpProxy();
  ~HttpProxy();
  HttpProxy(const HttpProxy&) = delete;
  HttpProxy& operator=(const HttpProxy&) = delete;

  std::string Address() const;  // "127.0.0.1:<port>"
  // The request head (request line and header lines) of every client, in arrival order.
  std::vector<std::string> Requests() const;

 private:
  void Serve(int fd);

  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
  std::unique_ptr<LoopbackListener> listener_;
};

// A SOCKS proxy speaking version 4 (and 4a, names resolved by the proxy).
class SocksProxy {
 public:
  SocksProxy();
  ~SocksProxy();
  SocksProxy(const SocksProxy&) = delete;
  SocksProxy& operator=(const SocksProxy&) = delete;

  std::string Address() const;  // "127.0.0.1:<port>"
  // "host:port" of every connection a client asked for, in arrival order.
  std::vector<std::string> Targets() const;

 private:
  void Serve(int fd);

  mutable std::mutex mutex_;
  std::vector<std::string> targets_;
  std::unique_ptr<LoopbackListener> listener_;
};

}  // namespace test_support
