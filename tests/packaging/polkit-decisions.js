// What the rule loaded after polkit-stubs.js must decide: the ten power actions for user
// nodrel and nobody else, no -ignore-inhibit, nothing beyond them. Any wrong decision
// throws, with all of them listed.
var bad = [];
var login1 = "org.freedesktop.login1.";
var granted = ["power-off", "reboot", "halt", "suspend", "hibernate"];
for (var i = 0; i < granted.length; i++) {
    var names = [granted[i], granted[i] + "-multiple-sessions"];
    for (var j = 0; j < names.length; j++) {
        if (decide(login1 + names[j], "nodrel") !== "yes") bad.push("nodrel not allowed " + names[j]);
        var others = ["root", "alice", "nodrel2", "Nodrel", "nobody", ""];
        for (var k = 0; k < others.length; k++) {
            if (decide(login1 + names[j], others[k]) !== null) bad.push("'" + others[k] + "' allowed " + names[j]);
        }
    }
    if (decide(login1 + granted[i] + "-ignore-inhibit", "nodrel") !== null) bad.push("nodrel allowed " + granted[i] + "-ignore-inhibit");
}
var refused = [login1 + "set-wall-message", login1 + "inhibit-block-shutdown", login1 + "set-reboot-parameter",
               login1 + "manage", "org.freedesktop.systemd1.manage-units", "org.freedesktop.packagekit.package-install",
               "org.freedesktop.login1.power-off.extra", "xorg.freedesktop.login1.power-off"];
for (var m = 0; m < refused.length; m++) {
    if (decide(refused[m], "nodrel") !== null) bad.push("nodrel allowed " + refused[m]);
}
if (polkit.rules.length !== 1) bad.push(polkit.rules.length + " rules registered, not 1");
if (bad.length > 0) throw new Error(bad.join("; "));
print("rule decisions as expected");
