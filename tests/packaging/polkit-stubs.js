// polkit's objects as polkitd defines them, for running a rules file in duktape, and
// decide(), which asks the registered rules as polkitd does: the first rule that answers
// decides; null is "not handled".
var polkit = {
    Result: { NO: "no", YES: "yes", AUTH_SELF: "auth_self", AUTH_SELF_KEEP: "auth_self_keep",
              AUTH_ADMIN: "auth_admin", AUTH_ADMIN_KEEP: "auth_admin_keep", NOT_HANDLED: null },
    rules: [],
    addRule: function (rule) { this.rules.push(rule); },
    log: function () {}, spawn: function () { throw new Error("spawn"); }
};

function decide(id, user) {
    var action = { id: id, lookup: function () { return undefined; } };
    var subject = { user: user, pid: 1234, groups: [user], seat: "", session: "",
                    local: false, active: false, system_unit: "nodreld.service",
                    isInGroup: function (g) { return g === user; },
                    isInNetGroup: function () { return false; } };
    for (var i = 0; i < polkit.rules.length; i++) {
        var r = polkit.rules[i](action, subject);
        if (r !== undefined && r !== null) return r;
    }
    return null;
}
