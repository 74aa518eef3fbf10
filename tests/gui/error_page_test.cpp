// Navigations that fail show the client's own Czech page, from which the
// user can try the same address again or go to the local start page.
#include <httplib.h>
#include <openssl/evp.h>
#include <openssl/x509.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "common/test_servers.h"
#include "core/text_file.h"
#include "crypto/password_digest.h"
#include "gui_support.h"
#include "plain_server.h"

using zovaz::testing::ClientTest;
using zovaz::testing::PumpUntil;

namespace {

const char kCaption[] = "Marlevo s.r.o. - Z-ovaz";

// A certificate for 127.0.0.1 that nobody vouches for.
struct SelfSigned {
  SelfSigned() {
    key = EVP_RSA_gen(2048);
    cert = X509_new();
    ASN1_INTEGER_set(X509_get_serialNumber(cert), 1);
    X509_gmtime_adj(X509_getm_notBefore(cert), 0);
    X509_gmtime_adj(X509_getm_notAfter(cert), 3600);
    X509_set_pubkey(cert, key);
    X509_NAME* name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
    X509_set_issuer_name(cert, name);
    X509_sign(cert, key, EVP_sha256());
  }
  ~SelfSigned() {
    X509_free(cert);
    EVP_PKEY_free(key);
  }
  EVP_PKEY* key;
  X509* cert;
};

class ErrorPageTest : public ClientTest {
 protected:
  TForm1Environment Environment() override {
    TForm1Environment environment = ClientTest::Environment();
    environment.download.overallTimeoutMs = 1500;
    environment.loginPageDeadlineMs = 1500;
    return environment;
  }
  void StartOnLocalPage() {
    PrepareDataFolder("", "", "0");
    StartClient();
    ASSERT_TRUE(WaitForNavigation(0));
  }
  // Waits for the error page to be shown and returns its text.
  std::string AwaitErrorPage() {
    const bool shown = PumpUntil([&] {
      return form->WebBrowser_V11->ShowsErrorPage() &&
             EvalInPage("String(!!document.getElementById('retry'))") == "true";
    });
    return shown ? EvalInPage("document.body.innerText") : "(no error page)";
  }
  void ExpectErrorPageFor(const std::string& text, const std::string& origin) {
    EXPECT_NE(text.find("Obchod Z-ovaz není dostupný"), std::string::npos) << text;
    EXPECT_NE(text.find("Zkusit znovu"), std::string::npos) << text;
    EXPECT_NE(text.find("Úvodní stránka"), std::string::npos) << text;
    EXPECT_NE(text.find(origin), std::string::npos) << text;
    EXPECT_EQ(std::string(form->GetTitle().utf8_str()), kCaption);
    EXPECT_TRUE(recorder.messages.empty());
  }
  void ClickInPage(const std::string& id) {
    EvalInPage("document.getElementById('" + id + "').click(); 'ok'");
  }

  zovaz::shop::PlainServer plain;
};

TEST_F(ErrorPageTest, ShopGoneMidSessionThenRetryLoadsTheSameAddressOnceItIsBack) {
  StartOnLocalPage();
  const std::string address = shop.BaseUrl() + "/documents";
  const int port = shop.Port();
  shop.Stop();
  form->WebBrowser_V11->Navigate(address);
  const std::string text = AwaitErrorPage();
  ExpectErrorPageFor(text, shop.BaseUrl());
  EXPECT_EQ(text.find("Could not connect"), std::string::npos);

  // Still down: trying again shows the page again.
  ClickInPage("retry");
  ASSERT_TRUE(PumpUntil([&] { return !form->WebBrowser_V11->ShowsErrorPage(); }, 5000));
  AwaitErrorPage();

  ASSERT_EQ(shop.Start("127.0.0.1", port), port);
  const int before = navigations();
  ClickInPage("retry");
  ASSERT_TRUE(WaitForNavigation(before));
  EXPECT_EQ(ShownAddress(), address);
  EXPECT_FALSE(form->WebBrowser_V11->ShowsErrorPage());
  const auto requests = shop.Requests();
  EXPECT_EQ(
      std::count_if(requests.begin(), requests.end(),
                    [](const std::string& line) { return line.starts_with("GET /documents "); }),
      1);
}

TEST_F(ErrorPageTest, StartPageLinkLeadsToTheLocalPage) {
  StartOnLocalPage();
  form->WebBrowser_V11->Navigate("http://name-that-does-not-exist.invalid/");
  ExpectErrorPageFor(AwaitErrorPage(), "http://name-that-does-not-exist.invalid");
  const int before = navigations();
  ClickInPage("home");
  ASSERT_TRUE(WaitForNavigation(before));
  EXPECT_EQ(ShownAddress(), zovaz::FileUrl(form->LocalPage()));
}

TEST_F(ErrorPageTest, LoginThatNeverAnswersGetsTheErrorPageByTheDeadlineWithoutCredentials) {
  ASSERT_GT(plain.Start(), 0);
  const std::string digest = zovaz::PasswordDigest(zovaz::shop::kDemoPassword);
  PrepareDataFolder(zovaz::shop::kDemoUser, digest, "0");
  zovaz::testing::WriteFile(
      DataDir() + "/app.cfg",
      zovaz::JoinTextLines({plain.BaseUrl() + "/silent", zovaz::shop::kDemoUser, digest, "0"}));
  StartClient();
  ASSERT_TRUE(WaitForNavigation(0));
  Click(form->Pipojit1);
  EXPECT_NE(std::string(form->GetTitle().utf8_str()).find("Načítám"), std::string::npos);
  const std::string text = AwaitErrorPage();
  ExpectErrorPageFor(text, plain.BaseUrl());
  // The page names the shop, never the login address it tried.
  EXPECT_EQ(text.find(digest), std::string::npos);
  EXPECT_EQ(text.find(zovaz::shop::kDemoUser), std::string::npos);
  ASSERT_FALSE(plain.Requests().empty());
  for (const std::string& path : plain.Requests())
    EXPECT_TRUE(path.starts_with("/silent/")) << path;
}

TEST_F(ErrorPageTest, DeadlineLeavesAPageThatHasBegunToShow) {
  ASSERT_GT(plain.Start(), 0);
  StartOnLocalPage();
  form->WebBrowser_V11->Navigate(plain.BaseUrl() + "/hanging-image", 1000);
  zovaz::testing::PumpFor(2500);
  EXPECT_FALSE(form->WebBrowser_V11->ShowsErrorPage());
  EXPECT_EQ(EvalInPage("document.getElementById('text').textContent"), "Obrázek se načítá");
}

TEST_F(ErrorPageTest, RedirectToALocalFileShowsTheErrorPageNotTheFile) {
  ASSERT_GT(plain.Start(), 0);
  StartOnLocalPage();
  form->WebBrowser_V11->Navigate(plain.BaseUrl() + "/to-file");
  ExpectErrorPageFor(AwaitErrorPage(), plain.BaseUrl());
  EXPECT_EQ(ShownAddress().rfind("file:", 0), std::string::npos) << ShownAddress();
}

TEST_F(ErrorPageTest, UntrustedCertificateNeverShowsThePage) {
  SelfSigned identity;
  httplib::SSLServer secure(identity.cert, identity.key);
  secure.Get("/", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("<p>tajna stranka</p>", "text/html");
  });
  const int port = secure.bind_to_any_port("127.0.0.1");
  ASSERT_GT(port, 0);
  std::thread serving([&] { secure.listen_after_bind(); });
  StartOnLocalPage();
  const std::string origin = "https://127.0.0.1:" + std::to_string(port);
  form->WebBrowser_V11->Navigate(origin + "/");
  const std::string text = AwaitErrorPage();
  ExpectErrorPageFor(text, origin);
  EXPECT_EQ(text.find("tajna"), std::string::npos);
  secure.stop();
  serving.join();
}

}  // namespace

namespace {

using zovaz::testing::RawServer;
using zovaz::testing::UnansweringListener;

// A client whose shop lies at `serverUrl` (the vendor site, and so the
// probe, stays the stand-in shop), with the demo account.
class FailingLoginTest : public ErrorPageTest {
 protected:
  void StartWithServer(const std::string& serverUrl, const std::string& autoLogin) {
    const std::string digest = zovaz::PasswordDigest(zovaz::shop::kDemoPassword);
    PrepareDataFolder(zovaz::shop::kDemoUser, digest, autoLogin);
    zovaz::testing::WriteFile(
        DataDir() + "/app.cfg",
        zovaz::JoinTextLines({serverUrl, zovaz::shop::kDemoUser, digest, autoLogin}));
    StartClient();
    form->Bind(wxEVT_MENU_OPEN, [this](wxMenuEvent& event) {
      ++menusOpened_;
      event.Skip();
    });
  }
  // The error page within the deadline and its slack, the caption back,
  // and the window answering keys: F10 opens the menu.
  void ExpectUsableErrorPage(const std::string& origin) {
    const auto start = std::chrono::steady_clock::now();
    ExpectErrorPageFor(AwaitErrorPage(), origin);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    const int before = menusOpened_;
    Input("key F10");
    EXPECT_TRUE(PumpUntil([&] { return menusOpened_ > before; }, 3000)) << "F10 opened no menu";
    Input("key Escape key Escape");
  }

 private:
  int menusOpened_ = 0;
};

TEST_F(FailingLoginTest, AutomaticLoginThatNeverAnswersEndsInTheErrorPage) {
  // The start page fails at once, so the login is the engine's first load
  // of the run; the login itself is never answered.
  RawServer server([](int socket) {
    const std::string head = zovaz::testing::ReadRequestHead(socket);
    if (head.find("/moveup/") == std::string::npos) {
      zovaz::testing::SendAll(socket, "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
      return;
    }
    const timeval limit{8, 0};
    ::setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    zovaz::testing::ReadUntilClosed(socket);
  });
  StartWithServer(server.Url(""), "1");
  ExpectUsableErrorPage(server.Url(""));
}

TEST_F(FailingLoginTest, ConnectToAPortTheEngineRefusesEndsInTheErrorPage) {
  StartWithServer("http://127.0.0.1:9", "0");
  ASSERT_TRUE(WaitForNavigation(0));
  Click(form->Pipojit1);
  ExpectUsableErrorPage("http://127.0.0.1:9");
}

TEST_F(FailingLoginTest, LoginRedirectedToALocalFileEndsInTheErrorPage) {
  RawServer redirect([](int socket) {
    zovaz::testing::ReadRequestHead(socket);
    zovaz::testing::SendAll(socket,
                            "HTTP/1.1 302 Found\r\nLocation: file:///etc/hostname\r\n"
                            "Content-Length: 0\r\nConnection: close\r\n\r\n");
  });
  StartWithServer(redirect.Url(""), "1");
  ExpectUsableErrorPage(redirect.Url(""));
  EXPECT_EQ(ShownAddress().rfind("file:", 0), std::string::npos) << ShownAddress();
}

}  // namespace
