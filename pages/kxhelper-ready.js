// Promises over KXHelper's change events, for pages that would rather wait
// than listen: KXHelperReady() and KXHelperSetOptions(options, timeoutMs).
// Plain ES5, no build step: include it before the page's own script. Where
// the engine has no Promise (the suite's stand-in), a small one of the same
// behaviour is installed as window.Promise.
(function(global) {
  'use strict';

  var kDefaultTimeoutMs = 5000;

  if (typeof global.Promise !== 'function')
    global.Promise = /** @type {PromiseConstructor} */ (
        /** @type {unknown} */ (makePromise()));

  // Seen a "synced" event. A render process syncs once: a later page of
  // one that has synced hears no second event, and asks KXHelper instead.
  var synced = false;
  /** @type {Array<function(): void>} */
  var readyWaiters = [];
  /** @type {Array<function(): void>} */
  var optionWaiters = [];

  global.addEventListener('kxhelperchange', function(event) {
    var change = event.detail && event.detail.change;
    if (change === 'synced') {
      synced = true;
      callAll(readyWaiters.splice(0, readyWaiters.length));
    } else if (change === 'options') {
      callAll(optionWaiters.splice(0, optionWaiters.length));
    }
  });

  /** @param {Array<function(): void>} callbacks */
  function callAll(callbacks) {
    for (var i = 0; i < callbacks.length; ++i)
      callbacks[i]();
  }

  function hasSynced() {
    return synced ||
        (typeof KXHelper !== 'undefined' && KXHelper.IsSynced() === true);
  }

  /** @returns {Promise<void>} */
  function KXHelperReady() {
    return new Promise(function(resolve) {
      if (hasSynced())
        resolve();
      else
        readyWaiters.push(function() { resolve(); });
    });
  }

  /**
   * @param {KXOption[]} options
   * @param {number=} timeoutMs
   * @returns {Promise<KXOption[]>}
   */
  function KXHelperSetOptions(options, timeoutMs) {
    var limit = typeof timeoutMs === 'number' ? timeoutMs : kDefaultTimeoutMs;
    return new Promise(function(resolve, reject) {
      var accepted;
      try {
        accepted = KXHelper.SetUserOptions(JSON.stringify(options));
      } catch (error) {
        reject(error);
        return;
      }
      if (accepted !== true) {
        reject(new Error('SetUserOptions returned ' + accepted));
        return;
      }
      var done = false;
      var timer = setTimeout(function() {
        done = true;
        reject(new Error('no options came back within ' + limit + ' ms'));
      }, limit);
      optionWaiters.push(function() {
        if (done)
          return;
        done = true;
        clearTimeout(timer);
        try {
          resolve(/** @type {KXOption[]} */ (
              JSON.parse(KXHelper.GetUserOptions())));
        } catch (error) {
          reject(error);
        }
      });
    });
  }

  // The ES2015 Promise's behaviour in its smallest sound form: callbacks run
  // later (from a timer), in the order registered; a thenable is followed;
  // then() and catch() chain; resolve, reject, all.
  function makePromise() {
    /**
     * @param {function(function(*): void, function(*): void): void} executor
     */
    function MiniPromise(executor) {
      var self = this;
      self.state = 'pending';
      self.value = undefined;
      /** @type {Array<*>} */
      self.waiting = [];
      var resolvers = resolversOf(self);
      try {
        executor(resolvers.resolve, resolvers.reject);
      } catch (error) {
        resolvers.reject(error);
      }
    }

    /**
     * Resolve and reject functions of |promise| of which only the first
     * call counts.
     * @param {*} promise
     */
    function resolversOf(promise) {
      var called = false;
      return {
        resolve: /** @param {*} value */ function(value) {
          if (called)
            return;
          called = true;
          adopt(promise, value);
        },
        reject: /** @param {*} reason */ function(reason) {
          if (called)
            return;
          called = true;
          settle(promise, 'rejected', reason);
        }
      };
    }

    /** @param {*} promise @param {*} value */
    function adopt(promise, value) {
      if (value === promise) {
        settle(promise, 'rejected',
               new TypeError('a promise cannot adopt itself'));
        return;
      }
      var then;
      if (value !== null &&
          (typeof value === 'object' || typeof value === 'function')) {
        try {
          then = value.then;
        } catch (error) {
          settle(promise, 'rejected', error);
          return;
        }
      }
      if (typeof then !== 'function') {
        settle(promise, 'fulfilled', value);
        return;
      }
      var resolvers = resolversOf(promise);
      try {
        then.call(value, resolvers.resolve, resolvers.reject);
      } catch (error) {
        resolvers.reject(error);
      }
    }

    /** @param {*} promise @param {string} state @param {*} value */
    function settle(promise, state, value) {
      promise.state = state;
      promise.value = value;
      var waiting = promise.waiting;
      promise.waiting = [];
      for (var i = 0; i < waiting.length; ++i)
        later(promise, waiting[i]);
    }

    /** @param {*} promise @param {*} reaction */
    function later(promise, reaction) {
      setTimeout(function() {
        var fulfilled = promise.state === 'fulfilled';
        var callback = fulfilled ? reaction.onFulfilled : reaction.onRejected;
        if (typeof callback !== 'function') {
          (fulfilled ? reaction.resolve : reaction.reject)(promise.value);
          return;
        }
        try {
          reaction.resolve(callback(promise.value));
        } catch (error) {
          reaction.reject(error);
        }
      }, 0);
    }

    /** @param {*=} onFulfilled @param {*=} onRejected */
    MiniPromise.prototype.then = function(onFulfilled, onRejected) {
      var self = this;
      return new MiniPromise(function(resolve, reject) {
        var reaction = {onFulfilled: onFulfilled, onRejected: onRejected,
                        resolve: resolve, reject: reject};
        if (self.state === 'pending')
          self.waiting.push(reaction);
        else
          later(self, reaction);
      });
    };
    /** @param {*=} onRejected */
    MiniPromise.prototype['catch'] = function(onRejected) {
      return this.then(undefined, onRejected);
    };
    /** @param {*=} value */
    MiniPromise.resolve = function(value) {
      if (value instanceof MiniPromise)
        return value;
      return new MiniPromise(function(resolve) { resolve(value); });
    };
    /** @param {*=} reason */
    MiniPromise.reject = function(reason) {
      return new MiniPromise(function(resolve, reject) { reject(reason); });
    };
    /** @param {Array<*>} values */
    MiniPromise.all = function(values) {
      return new MiniPromise(function(resolve, reject) {
        /** @type {Array<*>} */
        var results = [];
        var left = values.length;
        if (!left)
          resolve(results);
        for (var i = 0; i < values.length; ++i)
          collect(i);
        /** @param {number} index */
        function collect(index) {
          MiniPromise.resolve(values[index]).then(
              /** @param {*} value */
              function(value) {
                results[index] = value;
                if (--left === 0)
                  resolve(results);
              },
              reject);
        }
      });
    };
    return MiniPromise;
  }

  global.KXHelperReady = KXHelperReady;
  global.KXHelperSetOptions = KXHelperSetOptions;
})(window);
