// Installer screens: reading the program's query string.
//
// The program loads each page with ?application=<product code> and further keys of
// its own (daysdelay, mailprovider, installerexe, eastasian), then scaling and
// language. Query values are only ever put into a page with textContent, never as
// markup; the static text in each page stays as it is when a value is missing or odd.
var pv = (function () {
  var query = new URLSearchParams(location.search);
  var products = { OL: "Orlent", SW: "Sweeple", PT: "Patchory" };

  function get(key) {
    return (query.get(key) || "").trim();
  }

  // Product name for the "application" key; the firewall page gets the code in lower case.
  function productName() {
    return products[get("application").toUpperCase()] || "";
  }

  // Every element marked data-product receives the product name.
  function fillProductNames() {
    var name = productName();
    if (!name) return;
    var places = document.querySelectorAll("[data-product]");
    for (var i = 0; i < places.length; i++) places[i].textContent = name;
  }

  // Hook for the stylesheet on 125 % and 150 % displays.
  var scaling = get("scaling");
  if (scaling === "125" || scaling === "150") {
    document.documentElement.classList.add("scale-" + scaling);
  }

  return { get: get, productName: productName, fillProductNames: fillProductNames };
})();
