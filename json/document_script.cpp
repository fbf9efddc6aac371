// The document script. The helpers skip function-valued members because every object enumerates
// the two methods added to Object.prototype at the end.
#include "json/document_script.h"

namespace {

const char kHelpers[] = R"js(
function get__nodeValue(str_json, recursion) {
  for (var key in str_json) {
    var value = str_json[key];
    var tag = Object.prototype.toString.call(value);
    if (tag == '[object Object]' || tag == '[object Array]') {
      if (recursion) get__nodeValue(value, recursion);
    } else if (tag == '[object String]' || tag == '[object Number]' || tag == '[object Boolean]') {
      str_all.push(value);
    }
  }
  return str_all;
}
function get__count(value) {
  return Object.prototype.toString.call(value) == '[object Array]' ? value.length : 0;
}
function get__name_All(value) {
  if (Object.prototype.toString.call(value) != '[object Object]') return '';
  var names = [];
  for (var key in value) {
    if (typeof value[key] != 'function') names.push(key);
  }
  return names.join('\r\n');
}
function get__extend(target, source) {
  if (Object.prototype.toString.call(target) == '[object Array]') {
    for (var i = 0; i < source.length; i++) target.push(source[i]);
    return target;
  }
  for (var key in source) {
    var kind = typeof target[key];
    if (kind == 'string' || kind == 'boolean' || kind == 'undefined' || kind == 'number' ||
        target[key] === null) {
      target[key] = source[key];
    } else if (kind == 'object') {
      target[key] = get__extend(target[key], source[key]);
    }
  }
  return target;
}
)js";

// Engines without JSON get ours; the two Object.prototype methods come last, so that nothing
// above enumerates them.
const char kJsonSupport[] = R"js(
(function (global) {
  if (typeof global.JSON != 'object' || global.JSON === null) global.JSON = {};
  var json = global.JSON;
  var tagOf = function (value) { return Object.prototype.toString.call(value); };
  var owns = function (object, key) { return Object.prototype.hasOwnProperty.call(object, key); };
  var shortEscapes = { '"': '\\"', '\\': '\\\\', '\b': '\\b', '\f': '\\f', '\n': '\\n',
                       '\r': '\\r', '\t': '\\t' };
  var quote = function (text) {
    return '"' + text.replace(/[\u0000-\u001f"\\\u2028\u2029]/g, function (c) {
      return owns(shortEscapes, c) ? shortEscapes[c] :
          '\\u' + ('0000' + c.charCodeAt(0).toString(16)).slice(-4);
    }) + '"';
  };

  if (typeof json.stringify != 'function') {
    json.stringify = function (value, replacer, space) {
      var indent = '';
      if (typeof space == 'number') {
        for (var n = 0; n < space && n < 10; n++) indent += ' ';
      } else if (typeof space == 'string') {
        indent = space.slice(0, 10);
      }
      var allowed = null;
      if (tagOf(replacer) == '[object Array]') {
        allowed = {};
        for (var i = 0; i < replacer.length; i++) allowed[String(replacer[i])] = true;
      }
      if (typeof replacer != 'function') replacer = null;
      var wrap = function (open, parts, close, gap, inner) {
        if (parts.length == 0) return open + close;
        if (!indent) return open + parts.join(',') + close;
        return open + '\n' + inner + parts.join(',\n' + inner) + '\n' + gap + close;
      };
      var write = function (holder, key, gap) {
        var value = holder[key];
        if (value !== null && value !== undefined && typeof value.toJSON == 'function') {
          value = value.toJSON(key);
        }
        if (replacer) value = replacer.call(holder, key, value);
        var tag = tagOf(value);
        if (tag == '[object Number]') return isFinite(value) ? String(Number(value)) : 'null';
        if (tag == '[object String]') return quote(String(value));
        if (tag == '[object Boolean]') return value.valueOf() ? 'true' : 'false';
        if (value === null) return 'null';
        if (typeof value != 'object') return undefined;
        var inner = gap + indent, parts = [], item, k;
        if (tag == '[object Array]') {
          for (k = 0; k < value.length; k++) {
            item = write(value, k, inner);
            parts.push(item === undefined ? 'null' : item);
          }
          return wrap('[', parts, ']', gap, inner);
        }
        for (k in value) {
          if (!owns(value, k) || (allowed && allowed[k] !== true)) continue;
          item = write(value, k, inner);
          if (item !== undefined) parts.push(quote(k) + (indent ? ': ' : ':') + item);
        }
        return wrap('{', parts, '}', gap, inner);
      };
      return write({ '': value }, '', '');
    };
  }

  if (typeof json.parse != 'function') {
    json.parse = function (text, reviver) {
      var source = String(text), at = 0;
      var fail = function (what) {
        throw new SyntaxError('JSON: ' + what + ' at offset ' + at);
      };
      var skipBlanks = function () {
        while (at < source.length && ' \t\r\n'.indexOf(source.charAt(at)) >= 0) at++;
      };
      var expect = function (word) {
        if (source.substr(at, word.length) != word) fail('unexpected character');
        at += word.length;
      };
      var readString = function () {
        var result = '';
        at++;
        for (;;) {
          if (at >= source.length) fail('unterminated string');
          var c = source.charAt(at++);
          if (c == '"') return result;
          if (c < ' ') fail('control character in string');
          if (c != '\\') {
            result += c;
            continue;
          }
          c = source.charAt(at++);
          if (c == 'u') {
            var hex = source.substr(at, 4);
            if (!/^[0-9a-fA-F]{4}$/.test(hex)) fail('bad unicode escape');
            result += String.fromCharCode(parseInt(hex, 16));
            at += 4;
          } else if ('"\\/bfnrt'.indexOf(c) >= 0 && c != '') {
            result += { '"': '"', '\\': '\\', '/': '/', b: '\b', f: '\f', n: '\n', r: '\r',
                        t: '\t' }[c];
          } else {
            fail('bad escape');
          }
        }
      };
      var readNumber = function () {
        var match = /^-?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?/.exec(source.slice(at));
        if (!match) fail('bad number');
        at += match[0].length;
        return Number(match[0]);
      };
      var readValue = function () {
        skipBlanks();
        var c = source.charAt(at), result, first;
        if (c == '{') {
          result = {};
          at++;
          skipBlanks();
          for (first = true; source.charAt(at) != '}'; first = false) {
            if (!first) expect(',');
            skipBlanks();
            if (source.charAt(at) != '"') fail('member name expected');
            var key = readString();
            skipBlanks();
            expect(':');
            result[key] = readValue();
            skipBlanks();
          }
          at++;
          return result;
        }
        if (c == '[') {
          result = [];
          at++;
          skipBlanks();
          for (first = true; source.charAt(at) != ']'; first = false) {
            if (!first) expect(',');
            result.push(readValue());
            skipBlanks();
          }
          at++;
          return result;
        }
        if (c == '"') return readString();
        if (c == '-' || (c >= '0' && c <= '9')) return readNumber();
        if (c == 't') { expect('true'); return true; }
        if (c == 'f') { expect('false'); return false; }
        if (c == 'n') { expect('null'); return null; }
        fail(at < source.length ? 'unexpected character' : 'unexpected end');
      };
      var result = readValue();
      skipBlanks();
      if (at < source.length) fail('unexpected text after the value');
      if (typeof reviver != 'function') return result;
      var revive = function (holder, key) {
        var value = holder[key];
        if (value !== null && typeof value == 'object') {
          for (var k in value) {
            if (!owns(value, k)) continue;
            var revived = revive(value, k);
            if (revived === undefined) delete value[k]; else value[k] = revived;
          }
        }
        return reviver.call(holder, key, value);
      };
      return revive({ '': result }, '');
    };
  }

  if (typeof Object.prototype.toJSONString != 'function') {
    Object.prototype.toJSONString = function (filter) {
      return JSON.stringify(this, filter);
    };
    Object.prototype.parseJSON = function (filter) {
      return JSON.parse(String(this), filter);
    };
  }
})(this);
)js";

}  // namespace

const Text& DocumentScript() {
  static const Text script = Text(kHelpers) + kJsonSupport;
  return script;
}
